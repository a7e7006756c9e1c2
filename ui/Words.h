#pragma once
// Sentences for what the library reports as data, shared by the windows.
#include <QString>

#include "output/Export.h"

namespace pixmira {

QString FailReasonText(TFailReason reason);
// "导出 <path> 时出错：<reason>" with the library's technical detail on a line of its own;
// a stored value that does not convert is named with its key.
QString ExportFailedText(const TExportResult& result);
// The prompt the preview draws while the watermark text is empty.
QString WatermarkPromptText();

}  // namespace pixmira
