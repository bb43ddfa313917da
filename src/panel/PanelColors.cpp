#include "panel/PanelColors.h"

namespace flitbar::PanelColors {

namespace {

QColor withAlpha(QColor color, double alpha) {
  color.setAlphaF(static_cast<float>(alpha));
  return color;
}

bool isDark(const QPalette& palette) { return palette.color(QPalette::Window).lightness() < 128; }

}  // namespace

QColor label(const QPalette& palette) { return palette.color(QPalette::WindowText); }

QColor subdued(const QPalette& palette) { return withAlpha(label(palette), 0.55); }

QColor highlight(const QPalette& palette, bool highContrast) {
  return withAlpha(label(palette), highContrast ? 0.18 : 0.09);
}

QColor expansionBlock(const QPalette& palette) { return withAlpha(label(palette), 0.05); }

QColor separator(const QPalette& palette) { return withAlpha(label(palette), 0.15); }

QColor tint(const QPalette& palette, const std::optional<PanelTint>& tint) {
  if (!tint) return label(palette);
  // The desktop's usual error reds, lighter on dark grounds.
  return isDark(palette) ? QColor(0xff, 0x6b, 0x6b) : QColor(0xc0, 0x1c, 0x28);
}

}  // namespace flitbar::PanelColors
