#include "app/SettingsKeyValueStore.h"

#include "platform/KeyValueStoreConversions.h"
#include "platform/KeyValueStoreValue.h"

namespace {

QString qKey(const std::string& key) {
  return QString::fromStdString(key);
}

}  // namespace

SettingsKeyValueStore::SettingsKeyValueStore()
    : settings_(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Vexmora"),
                QStringLiteral("VEXMORA MONITOR")) {
  requireAtomicWrites();
}

SettingsKeyValueStore::SettingsKeyValueStore(const QString& fileName)
    : settings_(fileName, QSettings::IniFormat) {
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
