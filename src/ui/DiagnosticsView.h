#pragma once

// The service diagnostics: rates, drift buffer, rate correction, underruns, overruns, the route's
// latency and the last technical error, in a grid of labels and values whose text can be selected
// and copied.

#include <QString>
#include <QWidget>
#include <optional>
#include <string>
#include <vector>

#include "audio/RealtimeSnapshot.h"

class QGridLayout;
class QLabel;

struct DiagnosticRow {
  QString label;
  QString value;
  bool isError = false;

  bool operator==(const DiagnosticRow&) const = default;
};

class DiagnosticsView : public QWidget {
  Q_OBJECT

 public:
  explicit DiagnosticsView(QWidget* parent = nullptr);

  // "LAST ERROR" is present only with an error.
  static std::vector<DiagnosticRow> rows(const EngineDiagnostics& diagnostics,
                                         const std::optional<std::string>& error);

  // Laid out at once while the view is visible; otherwise when it is shown, as nobody reads the
  // collapsed rows that each poll renews.
  void setDiagnostics(const EngineDiagnostics& diagnostics,
                      const std::optional<std::string>& error);
  // The rows laid out; while hidden, those the view will lay out when shown.
  std::vector<DiagnosticRow> shownRows() const {
    return isVisible() ? rows_ : rows(diagnostics_, error_);
  }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void layOutRows();

  struct RowLabels {
    QLabel* label;
    QLabel* value;
  };

  QGridLayout* grid_;
  EngineDiagnostics diagnostics_;
  std::optional<std::string> error_;
  std::vector<DiagnosticRow> rows_;
  std::vector<RowLabels> labels_;
};
