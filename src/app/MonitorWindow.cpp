#include "app/MonitorWindow.h"

#include <QKeySequence>
#include <QShortcut>
#include <QVBoxLayout>

#include "ui/MonitorView.h"

MonitorWindow::MonitorWindow(MonitorViewModel& model, Workspace& workspace,
                             std::function<bool()> reduceMotion, QWidget* parent)
    : QWidget(parent), view_(new MonitorView(model, workspace, std::move(reduceMotion))) {
  setWindowTitle(QStringLiteral("VEXMORA MONITOR"));
  setMinimumSize(minimumWindowSize);
  resize(openingWindowSize);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view_);
  auto* quitKeys = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
  quitKeys->setContext(Qt::ApplicationShortcut);
  connect(quitKeys, &QShortcut::activated, this, &MonitorWindow::quitRequested);
}

void MonitorWindow::showAndRaise() {
  if (isMinimized()) showNormal();
  show();
  raise();
  activateWindow();
}
