#include "ui/FaceplateAccessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>

#include "ui/AccessibleValueSource.h"
#include "ui/DecorativeWidget.h"
#include "ui/HiddenAccessible.h"
#include "ui/ValueTextAccessible.h"

namespace FaceplateAccessibility {

namespace {

QAccessibleInterface* createInterface(const QString& key, QObject* object) {
  auto* widget = qobject_cast<QWidget*>(object);
  if (!widget) return nullptr;
  if (qobject_cast<DecorativeWidget*>(widget)) return new HiddenAccessible(widget);
  if (key == QLatin1String("SectionHeading")) {
    return new QAccessibleWidget(widget, QAccessible::Heading);
  }
  if (key == QLatin1String("StatusConsole")) {
    return new QAccessibleWidget(widget, QAccessible::StaticText);
  }
  if (key == QLatin1String("LevelMeterView")) {
    return new QAccessibleWidget(widget, QAccessible::Grouping);
  }
  if (const auto* source = dynamic_cast<const AccessibleValueSource*>(widget)) {
    return new ValueTextAccessible(widget, *source);
  }
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

}  // namespace FaceplateAccessibility
