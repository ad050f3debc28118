#include "ui/MonitorView.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMenu>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

#include "controller/PlatformWording.h"
#include "ui/ButtonFace.h"
#include "ui/DiagnosticsDisclosure.h"
#include "ui/DiagnosticsView.h"
#include "ui/FaceplateSection.h"
#include "ui/FormatReadoutView.h"
#include "ui/HardwareButton.h"
#include "ui/InsetWell.h"
#include "ui/LatencyLatch.h"
#include "ui/LevelMeterView.h"
#include "ui/MeterWell.h"
#include "ui/MonitorPanelTexts.h"
#include "ui/MuteLatch.h"
#include "ui/OutputBox.h"
#include "ui/PanelDrawing.h"
#include "ui/PanelHeader.h"
#include "ui/PickerButton.h"
#include "ui/RecoveryButton.h"
#include "ui/RouteLabel.h"
#include "ui/StatusConsole.h"
#include "ui/StudioPalette.h"

namespace Texts = MonitorPanelTexts;

namespace {

constexpr int stackSpacing = 12;
constexpr int stackPadding = 18;

QString q(const std::string& text) {
  return QString::fromStdString(text);
}

QString q(const std::optional<std::string>& text) {
  return text ? QString::fromStdString(*text) : QString();
}

QWidget* row(int spacing, std::initializer_list<QWidget*> widgets) {
  auto* container = new QWidget;
  auto* layout = new QHBoxLayout(container);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(spacing);
  for (QWidget* widget : widgets) layout->addWidget(widget);
  return container;
}

QWidget* column(int spacing, std::initializer_list<QWidget*> widgets) {
  auto* container = new QWidget;
  auto* layout = new QVBoxLayout(container);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(spacing);
  for (QWidget* widget : widgets) layout->addWidget(widget);
  return container;
}

// A menu entry never wider than this: the menu would otherwise grow to a long name's width.
constexpr int menuTextWidth = 400;

void addChoice(QMenu& menu, const QString& title, bool isSelected, std::function<void()> choose) {
  // An ampersand in a device's name is text, not the mark of a shortcut key.
  QString shown = elidedLine(title, menu.fontMetrics(), menuTextWidth);
  QAction* action = menu.addAction(shown.replace(u'&', QStringLiteral("&&")));
  action->setCheckable(true);
  action->setChecked(isSelected);
  QObject::connect(action, &QAction::triggered, &menu, [choose = std::move(choose)] { choose(); });
}

void addUnavailable(QMenu& menu, const QString& title) {
  menu.addSeparator();
  menu.addAction(title)->setEnabled(false);
}

PanelSymbol recoverySymbol(RecoveryAction action) {
  switch (action) {
    case RecoveryAction::openMicrophoneSettings:
      return PanelSymbol::gear;
    case RecoveryAction::openAudioMIDISetup:
      return PanelSymbol::sliderHorizontal3;
    case RecoveryAction::retry:
      return PanelSymbol::arrowClockwise;
  }
  return PanelSymbol::arrowClockwise;
}

template <typename Setter, typename Value>
void setIfChanged(const Value& current, const Value& next, Setter set) {
  if (current != next) set(next);
}

}  // namespace

MonitorView::MonitorView(MonitorViewModel& model, Workspace& workspace,
                         std::function<bool()> reduceMotion, QWidget* parent)
    : FaceplateBackground(parent), model_(model), workspace_(workspace) {
  header_ = new PanelHeader;
  meters_ =
      new MeterWell({[this] { model_.releaseLeftPeak(); }, [this] { model_.clearLeftClip(); }},
                    {[this] { model_.releaseRightPeak(); }, [this] { model_.clearRightClip(); }});

  auto* content = new QWidget;
  auto* stack = new QVBoxLayout(content);
  stack->setContentsMargins(stackPadding, stackPadding, stackPadding, stackPadding);
  stack->setSpacing(stackSpacing);
  stack->addWidget(header_);
  stack->addWidget(new FaceplateSection(QStringLiteral("SIGNAL PATH"), QStringLiteral("UNITY GAIN"),
                                        buildRoute()));
  stack->addWidget(new FaceplateSection(QStringLiteral("LEVEL METERS"),
                                        QStringLiteral("dBFS  ·  PEAK MEMORY"), meters_));
  stack->addWidget(new FaceplateSection(QStringLiteral("MONITOR CONTROL"),
                                        QStringLiteral("OUTPUT / TRANSPORT"),
                                        buildControls(reduceMotion)));
  stack->addWidget(new FaceplateSection(QStringLiteral("SYSTEM STATUS"),
                                        QString::fromUtf8(platformWording.statusCaption),
                                        buildStatus(reduceMotion)));
  stack->addStretch(1);

  scrollArea_ = new QScrollArea;
  scrollArea_->setFrameShape(QFrame::NoFrame);
  scrollArea_->setWidgetResizable(true);
  scrollArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scrollArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  scrollArea_->viewport()->setAutoFillBackground(false);
  scrollArea_->setWidget(content);
  // The scroll area makes its widget paint the window colour; the faceplate shows through instead.
  content->setAutoFillBackground(false);
  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(0, 0, 0, 0);
  root->addWidget(scrollArea_);

  connect(qGuiApp, &QGuiApplication::applicationStateChanged, this,
          [this](Qt::ApplicationState state) {
            if (state == Qt::ApplicationActive) model_.applicationBecameActive();
          });
  subscription_ = model_.subscribe([this] { refresh(); });
  refresh();
}

MonitorView::~MonitorView() {
  model_.unsubscribe(subscription_);
}

QWidget* MonitorView::buildRoute() {
  inputPicker_ =
      new PickerButton(QStringLiteral("Input"), [this](QMenu& menu) { fillInputMenu(menu); });
  inputFormat_ = new FormatReadoutView;
  auto* inputWell = new InsetWell(6, 6);
  inputWell->row()->addWidget(inputPicker_, 1);
  inputWell->row()->addWidget(inputFormat_);

  channelPicker_ =
      new PickerButton(QStringLiteral("Channels"), [this](QMenu& menu) { fillChannelMenu(menu); });
  auto* channelWell = new InsetWell(6, 6);
  channelWell->row()->addWidget(channelPicker_, 1);

  outputBox_ = new OutputBox;
  return column(
      8,
      {row(10, {new RouteLabel(QStringLiteral("INPUT"), PanelSymbol::cableConnector), inputWell}),
       row(10, {new RouteLabel(QStringLiteral("CHANNELS"), PanelSymbol::arrowLeftArrowRight),
                channelWell}),
       row(10,
           {new RouteLabel(QStringLiteral("OUTPUT"), PanelSymbol::speakerWave2Fill), outputBox_})});
}

QWidget* MonitorView::buildControls(const std::function<bool()>& reduceMotion) {
  muteLatch_ = new MuteLatch(reduceMotion);
  connect(muteLatch_, &QAbstractButton::clicked, this,
          [this] { model_.setMuted(!model_.isMuted()); });
  primaryButton_ = new HardwareButton(reduceMotion);
  primaryFace_ = new ButtonFace;
  primaryButton_->setFace(primaryFace_);
  primaryButton_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  connect(primaryButton_, &QAbstractButton::clicked, this, [this] { model_.toggleMonitoring(); });
  return row(10, {muteLatch_, primaryButton_});
}

QWidget* MonitorView::buildStatus(const std::function<bool()>& reduceMotion) {
  statusConsole_ = new StatusConsole;
  recoveryButton_ = new RecoveryButton;
  recoveryButton_->setVisible(false);
  connect(recoveryButton_, &QAbstractButton::clicked, this, [this] { runRecovery(); });
  diagnostics_ = new DiagnosticsDisclosure;
  latencyLatch_ = new LatencyLatch(reduceMotion);
  connect(latencyLatch_, &QAbstractButton::clicked, this, [this] {
    model_.setRouteLatency(latencyLatch_->isLow() ? RouteLatency::standard : RouteLatency::low);
  });
  diagnostics_->addBodyControl(latencyLatch_);
  return column(8, {statusConsole_, recoveryButton_, diagnostics_});
}

void MonitorView::fillInputMenu(QMenu& menu) {
  menu.setSeparatorsCollapsible(false);
  const auto& selected = model_.selectedDeviceUID();
  addChoice(menu, QStringLiteral("Choose an input…"), !selected,
            [this] { model_.selectInputDevice(std::nullopt); });
  const auto& devices = model_.inputDevices();
  const bool present = selected && std::any_of(devices.begin(), devices.end(),
                                               [&](const auto& d) { return d.uid == *selected; });
  if (selected && !present) addUnavailable(menu, QStringLiteral("Saved device (disconnected)"));
  menu.addSeparator();
  for (const AudioInputDevice& device : devices) {
    addChoice(menu, q(device.name), selected == device.uid,
              [this, uid = device.uid] { model_.selectInputDevice(uid); });
  }
}

void MonitorView::fillChannelMenu(QMenu& menu) {
  menu.setSeparatorsCollapsible(false);
  const auto& selected = model_.selectedPairID();
  addChoice(menu, QStringLiteral("Choose channels…"), !selected,
            [this] { model_.selectChannelPair(std::nullopt); });
  const auto device = model_.selectedInputDevice();
  const std::vector<AudioChannelPair> pairs =
      device ? device->channelPairs : std::vector<AudioChannelPair>{};
  const bool present = std::any_of(pairs.begin(), pairs.end(),
                                   [&](const auto& pair) { return pair.id() == selected; });
  if (selected && !present) addUnavailable(menu, QStringLiteral("Saved pair (unavailable)"));
  menu.addSeparator();
  for (const AudioChannelPair& pair : pairs) {
    addChoice(menu, q(Texts::pairTitle(pair)), selected == pair.id(),
              [this, id = pair.id()] { model_.selectChannelPair(id); });
  }
}

void MonitorView::runRecovery() {
  const auto action = Texts::recoveryAction(model_);
  if (!action) return;
  switch (*action) {
    case RecoveryAction::openMicrophoneSettings:
      model_.openMicrophoneSettings();
      break;
    case RecoveryAction::openAudioMIDISetup:
      workspace_.openApplication(Texts::audioMIDISetupPath);
      break;
    case RecoveryAction::retry:
      model_.retry();
      break;
  }
}

void MonitorView::refresh() {
  meters_->left()->setReading(model_.leftMeter());
  meters_->right()->setReading(model_.rightMeter());
  diagnostics_->diagnostics()->setDiagnostics(model_.diagnostics(), model_.technicalError());
  if (shownRevision_ == model_.revision()) return;
  shownRevision_ = model_.revision();
  const StatusPresentation status = model_.status();
  header_->setState(q(Texts::headerStatus(model_)), StudioPalette::severityColor(status.severity));
  refreshRoute();
  refreshControls();
  statusConsole_->setStatus(status);
  refreshStatus();
}

void MonitorView::refreshRoute() {
  const bool transitional = Texts::isTransitional(model_.phase());
  const QString inputTitle = q(Texts::inputTitle(model_));
  inputPicker_->setValue(inputTitle);
  setIfChanged(inputPicker_->toolTip(), inputTitle,
               [&](const QString& t) { inputPicker_->setToolTip(t); });
  inputPicker_->setAccessibleValue(q(Texts::inputAccessibilityValue(model_)));
  setControlEnabled(inputPicker_, !transitional);
  inputFormat_->setFormat(q(Texts::inputFormat(model_)));

  const QString channelName = q(Texts::selectedChannelName(model_));
  channelPicker_->setValue(channelName);
  channelPicker_->setAccessibleValue(channelName);
  setControlEnabled(channelPicker_, !transitional && model_.selectedInputDevice().has_value());

  const auto& output = model_.outputDevice();
  outputBox_->setOutput(output ? q(output->name) : QString(), q(Texts::outputFormat(model_)),
                        q(Texts::outputAccessibilityValue(model_)));
}

void MonitorView::refreshControls() {
  muteLatch_->setMuted(model_.isMuted());
  latencyLatch_->setLow(model_.routeLatency() == RouteLatency::low);

  const bool engaged = Texts::isEngaged(model_);
  const QColor lamp = engaged ? StudioPalette::red() : StudioPalette::green();
  const QString title = q(model_.primaryActionTitle());
  primaryFace_->setLook({lamp, engaged, engaged ? PanelSymbol::stopFill : PanelSymbol::playFill,
                         StudioPalette::withOpacity(lamp, engaged ? 1.0 : 0.82), title.toUpper(),
                         q(Texts::primaryActionCaption(model_))});
  primaryButton_->setLatched(engaged);
  setControlEnabled(primaryButton_, Texts::primaryActionEnabled(model_));
  setIfChanged(primaryButton_->accessibleName(), title,
               [&](const QString& name) { primaryButton_->setAccessibleName(name); });
  setIfChanged(primaryButton_->accessibleDescription(),
               engaged ? QStringLiteral("Stops audio monitoring")
                       : QStringLiteral("Starts audio monitoring"),
               [&](const QString& hint) { primaryButton_->setAccessibleDescription(hint); });
}

// Starting, reconfiguring and stopping usually begin and end inside one controller call. A
// control disabled for that moment would lose the keyboard focus to the next one for good, so a
// transitional phase disables controls only once it has lasted into the next event-loop turn.
void MonitorView::setControlEnabled(QWidget* control, bool enabled) {
  if (control->isEnabled() == enabled) return;
  if (enabled || !Texts::isTransitional(model_.phase())) {
    control->setEnabled(enabled);
    return;
  }
  if (disableCheckPending_) return;
  disableCheckPending_ = true;
  QTimer::singleShot(0, this, [this] {
    disableCheckPending_ = false;
    if (!Texts::isTransitional(model_.phase())) return;
    inputPicker_->setEnabled(false);
    channelPicker_->setEnabled(false);
    primaryButton_->setEnabled(Texts::primaryActionEnabled(model_));
  });
}

void MonitorView::refreshStatus() {
  const auto action = Texts::recoveryAction(model_);
  if (action) recoveryButton_->setAction(q(Texts::recoveryTitle(*action)), recoverySymbol(*action));
  setIfChanged(recoveryButton_->isVisibleTo(this), action.has_value(),
               [&](bool visible) { recoveryButton_->setVisible(visible); });
}
