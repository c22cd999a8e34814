#include "controls/cgauge.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <cstdio>
#include <limits>
#include <stdexcept>

namespace quillon {

namespace {
std::string RangeMessage(long long low, long long high) {
  char text[96];
  std::snprintf(text, sizeof text, "Value must be between %lld and %lld", low, high);
  return text;
}
constexpr double kPi = 3.14159265358979323846;
}  // namespace

TCGauge::TCGauge(QWidget* parent) : QWidget(parent) {
  resize(100, 100);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TCGauge::Changed() {
  ++RepaintCount;
  update();
}

void TCGauge::SetKind(TCGaugeKind kind) {
  if (kind == GaugeKind) return;
  GaugeKind = kind;
  Changed();
}

void TCGauge::SetShowText(bool show) {
  if (show == TextShown) return;
  TextShown = show;
  Changed();
}

void TCGauge::SetBorderStyle(TCGaugeBorder border) {
  if (border == Border) return;
  Border = border;
  Changed();
}

void TCGauge::SetForeColor(const QColor& color) {
  if (color == Fore) return;
  Fore = color;
  Changed();
}

void TCGauge::SetBackColor(const QColor& color) {
  if (color == Back) return;
  Back = color;
  Changed();
}

void TCGauge::SetMinValue(int value) {
  if (value == Min) return;
  if (value > Max) throw std::range_error(RangeMessage(-2147483647LL, static_cast<long long>(Max) - 1));
  Min = value;
  if (Value < Min) Value = Min;
  Changed();
}

void TCGauge::SetMaxValue(int value) {
  if (value == Max) return;
  if (value < Min) throw std::range_error(RangeMessage(static_cast<long long>(Min) + 1, 2147483647LL));
  Max = value;
  if (Value > Max) Value = Max;
  Changed();
}

int TCGauge::PercentDone() const {
  if (Max == Min) return 0;
  return static_cast<int>(std::floor((static_cast<double>(Value) - Min) * 100.0 / (static_cast<double>(Max) - Min)));
}

void TCGauge::SetProgress(int value) {
  if (value < Min) value = Min;
  if (value > Max) value = Max;
  if (value == Value) return;
  const int before = PercentDone();
  Value = value;
  if (PercentDone() != before) Changed();
}

void TCGauge::AddProgress(int delta) {
  const long long sum = static_cast<long long>(Value) + delta;
  SetProgress(static_cast<int>(std::clamp<long long>(sum, std::numeric_limits<int>::min(), std::numeric_limits<int>::max())));
  Changed();
}

QImage TCGauge::Picture() const {
  QImage image(size(), QImage::Format_RGB32);
  image.fill(Qt::black);
  const int inset = Border == bsSingle ? 1 : 0;
  const int left = inset, top = inset;
  const int right = width() - inset, bottom = height() - inset;  // exclusive
  if (right <= left || bottom <= top) return image;
  const QRect area(left, top, right - left, bottom - top);
  const int W = right - left + 1;
  const int H = bottom - top + 1;
  const int percent = PercentDone();

  QPainter p(&image);
  p.setClipRect(area);
  switch (GaugeKind) {
    case gkText:
      p.fillRect(area, Back);
      break;
    case gkHorizontalBar: {
      p.fillRect(area, Back);
      const int f = std::min(static_cast<int>(std::floor(percent * 0.01 * W)), W);
      if (f > 0) p.fillRect(QRect(QPoint(left, top), QPoint(f - 1, H - 1)), Fore);
      break;
    }
    case gkVerticalBar: {
      p.fillRect(area, Back);
      const int f = std::min(static_cast<int>(std::floor(percent * 0.01 * H)), H - 1);
      if (f > 0) p.fillRect(QRect(QPoint(left, H - f), QPoint(right - 1, H - 1)), Fore);
      break;
    }
    case gkPie: {
      p.fillRect(area, palette().color(backgroundRole()));
      p.setRenderHint(QPainter::Antialiasing, false);
      p.setPen(QPen(Fore, 1));
      p.setBrush(Back);
      const QRect ellipse(left, top, area.width() - 1, area.height() - 1);
      p.drawEllipse(ellipse);
      if (percent >= 1) {
        p.setBrush(Fore);
        // Qt angles run counter-clockwise from three o'clock in 1/16 degree.
        p.drawPie(ellipse, 90 * 16, -static_cast<int>(std::lround(percent * 3.6 * 16)));
      }
      break;
    }
    case gkNeedle: {
      p.fillRect(area, palette().color(backgroundRole()));
      p.setPen(QPen(Fore, 1));
      p.setBrush(Back);
      const QRect ellipse(left, top, area.width() - 1, 2 * area.height() - 1);
      p.drawChord(ellipse, 0, 180 * 16);
      p.drawLine(left, bottom - 1, right - 1, bottom - 1);
      if (percent > 0) {
        const double a = percent * 1.8 * kPi / 180;
        const int x = static_cast<int>(std::floor((1 - std::cos(a)) * (width() / 2.0)));
        const int y = static_cast<int>(std::floor((1 - std::sin(a)) * (bottom - 1)));
        p.drawLine(width() / 2, bottom - 1, x, y);
      }
      break;
    }
  }
  p.end();

  if (TextShown) {
    const QString text = QString::number(percent) + "%";
    const QFontMetrics metrics(font());
    const int x = (right - left - metrics.horizontalAdvance(text) + 1) / 2;
    const int y = (bottom - top - metrics.height() + 1) / 2;
    // The glyphs as a mask, then every picture pixel under them inverted.
    QImage mask(size(), QImage::Format_ARGB32);
    mask.fill(Qt::transparent);
    QPainter m(&mask);
    m.setFont(font());
    m.setPen(Qt::white);
    m.setClipRect(area);
    m.drawText(QRect(x, y, metrics.horizontalAdvance(text) + 2, metrics.height()), Qt::AlignLeft | Qt::AlignTop, text);
    m.end();
    for (int row = top; row < bottom; ++row) {
      const QRgb* glyph = reinterpret_cast<const QRgb*>(mask.constScanLine(row));
      QRgb* pixel = reinterpret_cast<QRgb*>(image.scanLine(row));
      for (int col = left; col < right; ++col)
        if (qAlpha(glyph[col]) >= 128) pixel[col] ^= 0x00FFFFFF;
    }
  }
  return image;
}

void TCGauge::paintEvent(QPaintEvent*) {
  const QImage picture = Picture();
  QPainter(this).drawImage(0, 0, picture);
}

}  // namespace quillon
