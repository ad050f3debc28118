#include "app/DesktopMotionPreference.h"

#include <QProcess>
#include <QStandardPaths>

namespace DesktopMotionPreference {

bool reduceMotion(const QString& gsettingsProgram) {
  const QString program = QStandardPaths::findExecutable(gsettingsProgram);
  if (program.isEmpty()) return false;
  QProcess process;
  process.start(program, {QStringLiteral("get"), QStringLiteral("org.gnome.desktop.interface"),
                          QStringLiteral("enable-animations")});
  if (!process.waitForFinished(1000)) {
    process.kill();
    process.waitForFinished(1000);
    return false;
  }
  if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) return false;
  return QString::fromUtf8(process.readAllStandardOutput()).trimmed() == QLatin1String("false");
}

}  // namespace DesktopMotionPreference
