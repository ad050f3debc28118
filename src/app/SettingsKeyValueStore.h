#pragma once

// The saved selections in QSettings, the application's own settings file on the desktop. Values
// come back from the file as text, so every typed read converts the way the key-value port
// describes. A file that cannot be parsed reads as whatever keys survive; a file that cannot be
// written keeps the values in memory. Main thread only.

#include <QSettings>
#include <optional>

#include "platform/KeyValueStore.h"
#include "platform/KeyValueStoreValue.h"

class SettingsKeyValueStore final : public KeyValueStore {
 public:
  // The user's settings of organization "Vexmora", application "VEXMORA MONITOR", in the
  // file QSettings gives them.
  SettingsKeyValueStore();
  // Another file, for tests.
  explicit SettingsKeyValueStore(const QString& fileName);

  bool hasObject(const std::string& key) const override;
  std::optional<std::string> stringForKey(const std::string& key) const override;
  std::int64_t integerForKey(const std::string& key) const override;
  bool boolForKey(const std::string& key) const override;

  void setString(const std::string& key, const std::string& value) override;
  void setInteger(const std::string& key, std::int64_t value) override;
  void setBool(const std::string& key, bool value) override;
  void removeObject(const std::string& key) override;

 private:
  std::optional<KeyValueStoreValue> valueForKey(const std::string& key) const;
  void store(const std::string& key, const QVariant& value);
  void requireAtomicWrites();
  // Writes the file and says once, calmly, when it cannot be written.
  void sync();

  mutable QSettings settings_;
  bool reportedFailedSave_ = false;
};
