#pragma once
// The window test classes, run one after the other by the test program.
#include <QObject>
#include <memory>

std::unique_ptr<QObject> MakePictureListTests();
std::unique_ptr<QObject> MakeMainFormTests();
std::unique_ptr<QObject> MakeProgressFormTests();
std::unique_ptr<QObject> MakeSingleInstanceTests();
std::unique_ptr<QObject> MakePictureOptionsTests();
std::unique_ptr<QObject> MakeHomeLinkTests();
std::unique_ptr<QObject> MakeSettingBindingTests();
