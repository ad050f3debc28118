#include "ui/PanelAccessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

namespace PanelAccessibility {

namespace {

QAccessibleInterface* createInterface(const QString& key, QObject* object) {
  auto* widget = qobject_cast<QWidget*>(object);
  if (!widget) return nullptr;
  if (key == QLatin1String("PanelHeader")) {
    return new QAccessibleWidget(widget, QAccessible::StaticText);
  }
  if (key == QLatin1String("MeterWell"))
    return new QAccessibleWidget(widget, QAccessible::Grouping);
  return nullptr;
}

}  // namespace

void install() {
  static const bool installed = [] {
    QAccessible::installFactory(&createInterface);
    return true;
  }();
  static_cast<void>(installed);
}

}  // namespace PanelAccessibility
