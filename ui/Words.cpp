#include "ui/Words.h"
#include "ui/Tr.h"

#include <QCoreApplication>

namespace pixmira {

QString FailReasonText(TFailReason reason) {
  switch (reason) {
    case TFailReason::File:
      return Pixmira::tr("无法读取或写入文件");
    case TFailReason::Frame:
      return Pixmira::tr("所选的边框无法使用");
    case TFailReason::Setting:
      return Pixmira::tr("设置中的数值无效");
    case TFailReason::Picture:
    case TFailReason::NoFrames:
      return Pixmira::tr("图片无法处理");
    case TFailReason::Memory:
      return Pixmira::tr("内存不足");
    case TFailReason::Other:
      break;
  }
  return Pixmira::tr("未知错误");
}

QString ExportFailedText(const TExportResult& result) {
  if (result.badSetting) {
    return Pixmira::tr("设置文件中 %1 的值 \"%2\" 无效，请改正后再试。")
        .arg(QString::fromStdString(result.badSetting->key),
             QString::fromStdString(result.badSetting->value));
  }
  QString text = Pixmira::tr("导出 %1 时出错：%2")
                     .arg(QString::fromStdString(result.failedPath), FailReasonText(result.reason));
  if (!result.detail.empty())
    text += QStringLiteral("\n\n") + QString::fromStdString(result.detail);
  return text;
}

QString WatermarkPromptText() { return Pixmira::tr("请在此输入水印文字"); }

}  // namespace pixmira
