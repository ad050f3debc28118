#include "ui/DiagnosticsView.h"

#include <QGridLayout>
#include <QLabel>

#include "devices/TechnicalNumberFormat.h"
#include "ui/FaceplateFont.h"
#include "ui/StudioPalette.h"

namespace {

QString rate(double hertz) {
  if (!(hertz > 0)) return QStringLiteral("—");
  return QString::fromStdString(TechnicalNumberFormat::fixed(hertz, 0)) + QStringLiteral(" Hz");
}

QLabel* makeLabel(const QFont& font, const QColor& color) {
  auto* label = new QLabel;
  label->setFont(font);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  label->setTextFormat(Qt::PlainText);
  QPalette colours = label->palette();
  colours.setColor(QPalette::WindowText, color);
  label->setPalette(colours);
  return label;
}

}  // namespace

DiagnosticsView::DiagnosticsView(QWidget* parent) : QWidget(parent), grid_(new QGridLayout(this)) {
  grid_->setContentsMargins(0, 0, 0, 0);
  grid_->setHorizontalSpacing(18);
  grid_->setVerticalSpacing(5);
  grid_->setColumnStretch(1, 1);
}

std::vector<DiagnosticRow> DiagnosticsView::rows(const EngineDiagnostics& diagnostics,
                                                 const std::optional<std::string>& error) {
  std::vector<DiagnosticRow> rows{
      {QStringLiteral("INPUT RATE"), rate(diagnostics.inputSampleRate)},
      {QStringLiteral("OUTPUT RATE"), rate(diagnostics.outputSampleRate)},
      {QStringLiteral("DRIFT BUFFER"), QStringLiteral("%1 / %2 frames")
                                           .arg(diagnostics.bufferedFrames)
                                           .arg(diagnostics.targetBufferedFrames)},
      {QStringLiteral("RATE CORRECTION"),
       QString::fromStdString(TechnicalNumberFormat::fixed(diagnostics.rateCorrectionPPM, 0)) +
           QStringLiteral(" ppm")},
      {QStringLiteral("UNDERRUNS"), QString::number(diagnostics.underruns)},
      {QStringLiteral("OVERRUNS"), QString::number(diagnostics.overruns)},
      {QStringLiteral("LATENCY"), diagnostics.latencyMilliseconds > 0
                                      ? QString::fromStdString(TechnicalNumberFormat::fixed(
                                            diagnostics.latencyMilliseconds, 1)) +
                                            QStringLiteral(" ms")
                                      : QStringLiteral("—")},
  };
  if (error) rows.push_back({QStringLiteral("LAST ERROR"), QString::fromStdString(*error), true});
  return rows;
}

void DiagnosticsView::setDiagnostics(const EngineDiagnostics& diagnostics,
                                     const std::optional<std::string>& error) {
  diagnostics_ = diagnostics;
  error_ = error;
  if (isVisible()) layOutRows();
}

void DiagnosticsView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  layOutRows();
}

void DiagnosticsView::layOutRows() {
  std::vector<DiagnosticRow> next = rows(diagnostics_, error_);
  if (next == rows_) return;
  static const QFont labelFont = faceplateFont(9, QFont::Normal, FontDesign::monospaced, 0.5);
  static const QFont valueFont = faceplateFont(9, QFont::Normal, FontDesign::monospaced);
  while (labels_.size() > next.size()) {
    delete labels_.back().label;
    delete labels_.back().value;
    labels_.pop_back();
  }
  for (std::size_t i = 0; i < next.size(); ++i) {
    const QColor valueColor = next[i].isError ? StudioPalette::red() : StudioPalette::amber();
    if (i == labels_.size()) {
      RowLabels row{
          makeLabel(labelFont, StudioPalette::withOpacity(StudioPalette::textSecondary(), 0.82)),
          makeLabel(valueFont, valueColor)};
      row.value->setWordWrap(true);
      grid_->addWidget(row.label, static_cast<int>(i), 0, Qt::AlignLeft | Qt::AlignTop);
      grid_->addWidget(row.value, static_cast<int>(i), 1);
      labels_.push_back(row);
    }
    if (i >= rows_.size() || rows_[i].label != next[i].label) {
      labels_[i].label->setText(next[i].label);
      QPalette colours = labels_[i].value->palette();
      colours.setColor(QPalette::WindowText, valueColor);
      labels_[i].value->setPalette(colours);
    }
    if (i >= rows_.size() || rows_[i].value != next[i].value)
      labels_[i].value->setText(next[i].value);
  }
  rows_ = std::move(next);
}
