#include "app/SettingsKeyValueStore.h"

#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

#include "platform/KeyValueStoreConversions.h"
#include "platform/KeyValueStoreValue.h"

namespace {

QString qKey(const std::string& key) {
  return QString::fromStdString(key);
}

// The file QSettings gives organization "Vexmora", application "VEXMORA MONITOR", in the
// user's scope.
QString userSettingsPath() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/Vexmora/VEXMORA MONITOR.conf");
}

// Qt decodes every "@Variant(" value of a section as soon as one key of it is read, and a few
// crafted bytes there make it reserve gigabytes. This program never writes such a value, so the
// lines holding one are dropped, atomically, before Qt opens the file. Where the file cannot be
// replaced it is not read at all: the store then starts empty on a path no file can have, and
// keeps changes in memory.
QString withoutEncodedVariants(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return path;
  const QByteArray contents = file.readAll();
  if (!contents.contains("@Variant(")) return path;
  QByteArray kept;
  for (const QByteArray& line : contents.split('\n')) {
    if (!line.contains("@Variant(")) kept += line + '\n';
  }
  QSaveFile save(path);
  if (save.open(QIODevice::WriteOnly) && save.write(kept) == kept.size() && save.commit()) {
    return path;
  }
  qWarning(
      "The settings file %s holds values this program cannot read safely, and cannot be "
      "cleaned; it is left as it is and not read.",
      qPrintable(path));
  return QStringLiteral("/dev/null/unreadable-settings.conf");
}

}  // namespace

SettingsKeyValueStore::SettingsKeyValueStore() : SettingsKeyValueStore(userSettingsPath()) {}

SettingsKeyValueStore::SettingsKeyValueStore(const QString& fileName)
    : settings_(withoutEncodedVariants(fileName), QSettings::IniFormat) {
  requireAtomicWrites();
}

void SettingsKeyValueStore::requireAtomicWrites() {
  // Every save replaces the file whole or not at all: a full disk or a crash mid-write leaves
  // the previous file, never half of a new one. Where that cannot be done, saving fails instead.
  settings_.setAtomicSyncRequired(true);
}

void SettingsKeyValueStore::sync() {
  settings_.sync();
  if (settings_.status() == QSettings::AccessError && !reportedFailedSave_) {
    reportedFailedSave_ = true;
    qWarning("The settings file %s cannot be written; changes are kept until the program ends.",
             qPrintable(settings_.fileName()));
  }
}

std::optional<KeyValueStoreValue> SettingsKeyValueStore::valueForKey(const std::string& key) const {
  const QVariant value = settings_.value(qKey(key));
  if (!value.isValid()) return std::nullopt;
  switch (value.typeId()) {
    case QMetaType::Bool:
      return KeyValueStoreValue(value.toBool());
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
      return KeyValueStoreValue(static_cast<std::int64_t>(value.toLongLong()));
    case QMetaType::Double:
      return KeyValueStoreValue(value.toDouble());
    default:
      return KeyValueStoreValue(value.toString().toStdString());
  }
}

bool SettingsKeyValueStore::hasObject(const std::string& key) const {
  return settings_.contains(qKey(key));
}

std::optional<std::string> SettingsKeyValueStore::stringForKey(const std::string& key) const {
  const auto value = valueForKey(key);
  if (!value) return std::nullopt;
  return KeyValueStoreConversions::toString(*value);
}

std::int64_t SettingsKeyValueStore::integerForKey(const std::string& key) const {
  const auto value = valueForKey(key);
  return value ? KeyValueStoreConversions::toInteger(*value) : 0;
}

bool SettingsKeyValueStore::boolForKey(const std::string& key) const {
  const auto value = valueForKey(key);
  return value && KeyValueStoreConversions::toBool(*value);
}

void SettingsKeyValueStore::store(const std::string& key, const QVariant& value) {
  settings_.setValue(qKey(key), value);
  sync();
}

void SettingsKeyValueStore::setString(const std::string& key, const std::string& value) {
  store(key, QString::fromStdString(value));
}

void SettingsKeyValueStore::setInteger(const std::string& key, std::int64_t value) {
  store(key, static_cast<qlonglong>(value));
}

void SettingsKeyValueStore::setBool(const std::string& key, bool value) {
  store(key, value);
}

void SettingsKeyValueStore::removeObject(const std::string& key) {
  settings_.remove(qKey(key));
  sync();
}
