// The saved settings file, whatever is in it: read back through the store and the preferences.

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <cstdint>

#include "app/SettingsKeyValueStore.h"
#include "devices/AppPreferences.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const QString path =
      QDir::tempPath() + QStringLiteral("/vx-fuzz-settings-%1.ini").arg(::getpid());
  {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
  }
  SettingsKeyValueStore store(path);
  const AppPreferences preferences{store};
  static_cast<void>(preferences.inputDeviceUID());
  static_cast<void>(preferences.channelPair());
  static_cast<void>(preferences.isMuted());
  static_cast<void>(preferences.isLowLatency());
  return 0;
}
