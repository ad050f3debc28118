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

  void setDiagnostics(const EngineDiagnostics& diagnostics,
                      const std::optional<std::string>& error);
  const std::vector<DiagnosticRow>& shownRows() const { return rows_; }

 private:
  struct RowLabels {
    QLabel* label;
    QLabel* value;
  };

  QGridLayout* grid_;
  std::vector<DiagnosticRow> rows_;
  std::vector<RowLabels> labels_;
};
