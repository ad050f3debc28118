#pragma once

// The whole content of the window: the header and the SIGNAL PATH, LEVEL METERS, MONITOR CONTROL
// and SYSTEM STATUS sections in a vertical scroll area over the faceplate. It holds no route state
// of its own (only whether the diagnostics are expanded): after every change the controller
// publishes it re-reads what it shows and touches a widget only where a value changed, because the
// meters alone publish about ninety changes a second. Picker menus are built when they open.
// It calls applicationBecameActive() each time the application becomes active.
//
// Main thread only; the controller and the workspace must outlive the view.

#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>

#include "controller/MonitorViewModel.h"
#include "platform/Workspace.h"
#include "ui/FaceplateBackground.h"

class DiagnosticsDisclosure;
class FormatReadoutView;
class HardwareButton;
class ButtonFace;
class MeterWell;
class LatencyLatch;
class MuteLatch;
class OutputBox;
class PanelHeader;
class PickerButton;
class QMenu;
class QScrollArea;
class RecoveryButton;
class StatusConsole;

class MonitorView : public FaceplateBackground {
  Q_OBJECT

 public:
  // `reduceMotion` is asked at each button press whether the desktop wants animations left out.
  MonitorView(MonitorViewModel& model, Workspace& workspace, std::function<bool()> reduceMotion,
              QWidget* parent = nullptr);
  ~MonitorView() override;

  PanelHeader* header() const { return header_; }
  PickerButton* inputPicker() const { return inputPicker_; }
  FormatReadoutView* inputFormat() const { return inputFormat_; }
  PickerButton* channelPicker() const { return channelPicker_; }
  OutputBox* outputBox() const { return outputBox_; }
  MeterWell* meters() const { return meters_; }
  MuteLatch* muteLatch() const { return muteLatch_; }
  HardwareButton* primaryButton() const { return primaryButton_; }
  ButtonFace* primaryFace() const { return primaryFace_; }
  StatusConsole* statusConsole() const { return statusConsole_; }
  RecoveryButton* recoveryButton() const { return recoveryButton_; }
  DiagnosticsDisclosure* diagnostics() const { return diagnostics_; }
  LatencyLatch* latencyLatch() const { return latencyLatch_; }
  QScrollArea* scrollArea() const { return scrollArea_; }

 private:
  QWidget* buildRoute();
  QWidget* buildControls(const std::function<bool()>& reduceMotion);
  QWidget* buildStatus(const std::function<bool()>& reduceMotion);
  void fillInputMenu(QMenu& menu);
  void fillChannelMenu(QMenu& menu);
  void runRecovery();
  void refresh();
  void refreshRoute();
  void refreshControls();
  void refreshStatus();
  void setControlEnabled(QWidget* control, bool enabled);

  MonitorViewModel& model_;
  Workspace& workspace_;
  MonitorViewModel::ObserverID subscription_ = 0;
  bool disableCheckPending_ = false;
  // The controller's revision the rest of the panel shows; a poll renews only meters and
  // diagnostics.
  std::optional<std::uint64_t> shownRevision_;

  QScrollArea* scrollArea_ = nullptr;
  PanelHeader* header_ = nullptr;
  PickerButton* inputPicker_ = nullptr;
  FormatReadoutView* inputFormat_ = nullptr;
  PickerButton* channelPicker_ = nullptr;
  OutputBox* outputBox_ = nullptr;
  MeterWell* meters_ = nullptr;
  MuteLatch* muteLatch_ = nullptr;
  LatencyLatch* latencyLatch_ = nullptr;
  HardwareButton* primaryButton_ = nullptr;
  ButtonFace* primaryFace_ = nullptr;
  StatusConsole* statusConsole_ = nullptr;
  RecoveryButton* recoveryButton_ = nullptr;
  DiagnosticsDisclosure* diagnostics_ = nullptr;
};
