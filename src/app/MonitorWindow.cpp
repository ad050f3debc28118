#include "app/MonitorWindow.h"

#include <QEvent>
#include <QKeySequence>
#include <QShortcut>
#include <QVBoxLayout>

#include "ui/MonitorView.h"

MonitorWindow::MonitorWindow(MonitorViewModel& model, Workspace& workspace,
                             std::function<bool()> reduceMotion, QWidget* parent)
    : QWidget(parent),
      model_(model),
      view_(new MonitorView(model, workspace, std::move(reduceMotion))) {
  setWindowTitle(QStringLiteral("VEXMORA MONITOR"));
  setMinimumSize(minimumWindowSize);
  resize(openingWindowSize);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view_);
  auto* quitKeys = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
  quitKeys->setContext(Qt::ApplicationShortcut);
  connect(quitKeys, &QShortcut::activated, this, &MonitorWindow::quitRequested);
  // Not shown yet; the program may start in the tray.
  reportVisibility();
}

void MonitorWindow::showAndRaise() {
  if (isMinimized()) showNormal();
  show();
  raise();
  activateWindow();
}

void MonitorWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  reportVisibility();
}

void MonitorWindow::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  reportVisibility();
}

void MonitorWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) reportVisibility();
}

void MonitorWindow::reportVisibility() {
  model_.setMetersObserved(isVisible() && !isMinimized());
}
