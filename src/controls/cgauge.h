// TCGauge: the progress gauge. A self-painting widget that shows how far Progress
// has come within MinValue..MaxValue as a text, a horizontal or vertical bar, a pie
// or a needle, with the percent text drawn by inverting the pixels under its glyphs
// so it reads over the filled and the unfilled part alike. The picture is built off
// screen and copied onto the widget in one step. UI thread only.
#pragma once
#include <QColor>
#include <QImage>
#include <QWidget>

namespace quillon {

enum TCGaugeKind { gkText = 0, gkHorizontalBar, gkVerticalBar, gkPie, gkNeedle };
enum TCGaugeBorder { bsNone = 0, bsSingle };

class TCGauge : public QWidget {
  Q_OBJECT

 public:
  explicit TCGauge(QWidget* parent = nullptr);

  TCGaugeKind Kind() const { return GaugeKind; }
  void SetKind(TCGaugeKind kind);
  bool ShowText() const { return TextShown; }
  void SetShowText(bool show);
  TCGaugeBorder BorderStyle() const { return Border; }
  void SetBorderStyle(TCGaugeBorder border);
  QColor ForeColor() const { return Fore; }
  void SetForeColor(const QColor& color);
  QColor BackColor() const { return Back; }
  void SetBackColor(const QColor& color);
  int MinValue() const { return Min; }
  // Throws std::range_error "Value must be between %d and %d" when above MaxValue.
  void SetMinValue(int value);
  int MaxValue() const { return Max; }
  // Throws std::range_error "Value must be between %d and %d" when below MinValue.
  void SetMaxValue(int value);
  int Progress() const { return Value; }

  int PercentDone() const;
  // Clamps into the range; repaints only when PercentDone changes.
  void SetProgress(int value);
  void AddProgress(int delta);

  // The picture as it is painted onto the screen.
  QImage Picture() const;
  int Repaints() const { return RepaintCount; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void Changed();

  TCGaugeKind GaugeKind = gkHorizontalBar;
  bool TextShown = true;
  TCGaugeBorder Border = bsSingle;
  QColor Fore = Qt::black;
  QColor Back = Qt::white;
  int Min = 0;
  int Max = 100;
  int Value = 0;
  int RepaintCount = 0;
};

}  // namespace quillon
