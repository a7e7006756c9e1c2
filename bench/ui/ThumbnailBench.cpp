// The picture list under load, in the real main window on the offscreen platform:
//   bench_ThumbnailBench FOLDER ENTRIES
// adds FOLDER (the add-folder rule) and reports how long until every thumbnail is shown and
// the longest stretch the event loop went without running; then fills the list up to ENTRIES
// entries and reports the resident memory once their thumbnails are in.
#include <sys/resource.h>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "core/Kernel.h"
#include "ui/MainForm.h"
#include "ui/PictureList.h"
#include "ui/UiServices.h"

namespace {

long StatusKb(const char* field) {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith(field)) return line.mid(qstrlen(field)).trimmed().split(' ')[0].toLong();
  return -1;
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs the event loop until pending() is false; the longest gap between two ticks of a 1 ms
// timer meanwhile, in milliseconds.
qint64 RunUntil(const std::function<bool()>& pending, qint64& elapsedMs) {
  QElapsedTimer clock;
  clock.start();
  qint64 last = 0, longest = 0;
  QEventLoop loop;
  QTimer tick;
  tick.setTimerType(Qt::PreciseTimer);
  tick.setInterval(1);
  QObject::connect(&tick, &QTimer::timeout, [&] {
    const qint64 now = clock.elapsed();
    longest = std::max(longest, now - last);
    last = now;
    if (!pending()) loop.quit();
  });
  tick.start();
  loop.exec();
  elapsedMs = clock.elapsed();
  return longest;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s FOLDER ENTRIES\n", argv[0]);
    return 2;
  }
  QApplication app(argc, argv);
  const QString folder = QString::fromLocal8Bit(argv[1]);
  const int entries = std::atoi(argv[2]);
  QTemporaryDir home;
  pixmira::DataPaths paths;
  paths.configFile = QDir(home.path()).filePath(QStringLiteral("Config.ini")).toStdString();
  paths.framesFolder = home.path().toStdString() + "/Frames/";
  pixmira::TKaravelKernel kernel(paths);
  pixmira::TDesktopUiServices services;
  pixmira::TQivMainForm form(kernel, services);
  form.show();
  form.resize(1280, 900);
  app.processEvents();

  pixmira::TPictureList* list = form.lvPictures;
  QElapsedTimer clock;
  qint64 ms = 0;
  // Started from inside the loop, as a click on the add-folder button would be.
  double cpuStart = 0;
  QTimer::singleShot(0, &form, [&] {
    cpuStart = CpuSeconds();
    clock.start();
    form.AddFolder(folder);
  });
  const qint64 block = RunUntil(
      [&] { return !clock.isValid() || list->count() == 0 || list->ThumbnailsPending(); }, ms);
  const double seconds = clock.elapsed() / 1000.0;
  const double cpu = CpuSeconds() - cpuStart;
  const int listed = list->count();
  std::printf("thumbnails-%d: %.2f s\n", listed, seconds);
  std::printf("thumbnails-%d-cpu: %.2f s\n", listed, cpu);
  std::printf("event-loop-max-block: %lld ms\n", static_cast<long long>(block));

  const QStringList files = QDir(folder).entryList({QStringLiteral("*.jpg")}, QDir::Files);
  for (int i = 0; list->count() < entries && !files.isEmpty(); ++i)
    form.AddPicture(QDir(folder).filePath(files[i % files.size()]));
  RunUntil([&] { return list->ThumbnailsPending(); }, ms);
  app.processEvents();
  std::printf("list-%d-rss: %ld MB\n", list->count(), (StatusKb("VmRSS:") + 512) / 1024);
  std::printf("list-%d-peak-rss: %ld MB\n", list->count(), (StatusKb("VmHWM:") + 512) / 1024);
  return 0;
}
