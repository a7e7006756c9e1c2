#pragma once
// The window's sentences for what the library reports as data: failed writes and exports.
#include <QString>
#include <QStringList>
#include <string>

#include "output/Export.h"

namespace pixmira {

// "无法写入 X：没有写入权限" and its kin, by the errno of the failure.
QString WriteErrorText(const QString& path, int error);

// What stopped an export, in the window's words.
QString ExportErrorText(const TExportResult& result);

// Why one picture was not exported, in words; limit is the memory budget of the run.
QString SkipReasonText(const TLoadReport& why, uint64_t limit);

// The end of an export in one sentence: everything written, what was written and what was
// skipped, one GIF of K frames, or cancelled.
QString ExportSummaryText(const TExportResult& result, bool gif);

// One line a skipped picture ("file：reason"), and the watermark picture that was missing.
QStringList ExportDetailLines(const TExportResult& result);

}  // namespace pixmira
