#include "ui/Words.h"

#include <QCoreApplication>

namespace pixmira {

QString FailReasonText(TFailReason reason) {
  switch (reason) {
    case TFailReason::File:
      return QCoreApplication::translate("Pixmira", "无法读取或写入文件");
    case TFailReason::Frame:
      return QCoreApplication::translate("Pixmira", "所选的边框无法使用");
    case TFailReason::Setting:
      return QCoreApplication::translate("Pixmira", "设置中的数值无效");
    case TFailReason::Picture:
    case TFailReason::NoFrames:
      return QCoreApplication::translate("Pixmira", "图片无法处理");
    case TFailReason::Memory:
      return QCoreApplication::translate("Pixmira", "内存不足");
    case TFailReason::Other:
      break;
  }
  return QCoreApplication::translate("Pixmira", "未知错误");
}

QString ExportFailedText(const TExportResult& result) {
  if (result.badSetting) {
    return QCoreApplication::translate("Pixmira", "设置文件中 %1 的值 \"%2\" 无效，请改正后再试。")
        .arg(QString::fromStdString(result.badSetting->key),
             QString::fromStdString(result.badSetting->value));
  }
  QString text = QCoreApplication::translate("Pixmira", "导出 %1 时出错：%2")
                     .arg(QString::fromStdString(result.failedPath), FailReasonText(result.reason));
  if (!result.detail.empty())
    text += QStringLiteral("\n\n") + QString::fromStdString(result.detail);
  return text;
}

QString WatermarkPromptText() {
  return QCoreApplication::translate("Pixmira", "请在此输入水印文字");
}

}  // namespace pixmira
