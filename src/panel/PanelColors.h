#pragma once

#include "panel/PanelDetail.h"

#include <QColor>
#include <QPalette>

#include <optional>

namespace flitbar::PanelColors {

QColor label(const QPalette& palette);
// Secondary text: trailing names, notes, chevrons.
QColor subdued(const QPalette& palette);
// The fill behind a hovered or selected row.
QColor highlight(const QPalette& palette, bool highContrast);
// The band behind an expanded row's lines.
QColor expansionBlock(const QPalette& palette);
QColor separator(const QPalette& palette);
// A badge's colour: the label colour, or a red that reads on the palette.
QColor tint(const QPalette& palette, const std::optional<PanelTint>& tint);

}  // namespace flitbar::PanelColors
