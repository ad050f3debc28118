#include "app/MonitorTrayIcon.h"

#include "ui/MonitorPanelTexts.h"

MonitorTrayIcon::MonitorTrayIcon(MonitorViewModel& model, MonitorWindow& window, QObject* parent)
    : QObject(parent), model_(model), window_(window) {
  showWindow_ = menu_.addAction(QStringLiteral("Show Window"));
  connect(showWindow_, &QAction::triggered, &window_, &MonitorWindow::showAndRaise);
  monitoring_ = menu_.addAction(QString());
  connect(monitoring_, &QAction::triggered, this, [this] { model_.toggleMonitoring(); });
  mute_ = menu_.addAction(QStringLiteral("Mute"));
  mute_->setCheckable(true);
  connect(mute_, &QAction::triggered, this, [this](bool muted) { model_.setMuted(muted); });
  menu_.addSeparator();
  connect(menu_.addAction(QStringLiteral("Quit")), &QAction::triggered, this,
          &MonitorTrayIcon::quitRequested);
  icon_.setContextMenu(&menu_);
  connect(&icon_, &QSystemTrayIcon::activated, this,
          [this](QSystemTrayIcon::ActivationReason reason) {
            // A double click arrives as a click, then this; either way it ends with the window
            // shown.
            if (reason == QSystemTrayIcon::Trigger) toggleWindow();
            if (reason == QSystemTrayIcon::DoubleClick) window_.showAndRaise();
          });
  subscription_ = model_.subscribe([this] { refresh(); });
  refresh();
  icon_.show();
}

MonitorTrayIcon::~MonitorTrayIcon() {
  model_.unsubscribe(subscription_);
}

void MonitorTrayIcon::toggleWindow() {
  if (window_.isVisible()) {
    window_.close();
  } else {
    window_.showAndRaise();
  }
}

void MonitorTrayIcon::refresh() {
  if (shownRevision_ == model_.revision()) return;
  shownRevision_ = model_.revision();
  // The tray hears only real changes, since each one crosses D-Bus.
  const TrayLook look = trayLook(model_);
  if (!hasLook_ || look != look_) {
    look_ = look;
    hasLook_ = true;
    icon_.setIcon(trayIcon(look));
  }
  const QString toolTip = trayToolTip(model_);
  if (icon_.toolTip() != toolTip) icon_.setToolTip(toolTip);
  const QString title = QString::fromStdString(model_.primaryActionTitle());
  if (monitoring_->text() != title) monitoring_->setText(title);
  const bool enabled = MonitorPanelTexts::primaryActionEnabled(model_);
  if (monitoring_->isEnabled() != enabled) monitoring_->setEnabled(enabled);
  if (mute_->isChecked() != model_.isMuted()) mute_->setChecked(model_.isMuted());
}
