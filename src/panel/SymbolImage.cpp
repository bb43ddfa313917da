#include "panel/SymbolImage.h"

#include <QFile>
#include <QIcon>
#include <QPainter>

namespace flitbar {

namespace {

QPixmap tinted(const QPixmap& source, const QColor& color) {
  QPixmap result = source;
  QPainter painter(&result);
  painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
  painter.fillRect(result.rect(), color);
  return result;
}

QPixmap render(const QIcon& icon, int size, qreal devicePixelRatio) {
  return icon.pixmap(QSize(size, size), devicePixelRatio);
}

}  // namespace

QPixmap symbolImage(const std::string& symbol, const std::vector<std::string>& fallbacks, int size, const QColor& color,
                    qreal devicePixelRatio) {
  std::vector<QString> names{QString::fromStdString(symbol)};
  for (const auto& fallback : fallbacks) names.push_back(QString::fromStdString(fallback));
  for (const auto& name : names) {
    if (QIcon::hasThemeIcon(name + "-symbolic")) {
      return tinted(render(QIcon::fromTheme(name + "-symbolic"), size, devicePixelRatio), color);
    }
    if (QIcon::hasThemeIcon(name)) return render(QIcon::fromTheme(name), size, devicePixelRatio);
  }
  for (const auto& name : names) {
    const QString bundled = ":/panel/icons/" + name + ".svg";
    if (QFile::exists(bundled)) return tinted(render(QIcon(bundled), size, devicePixelRatio), color);
  }
  return {};
}

}  // namespace flitbar
