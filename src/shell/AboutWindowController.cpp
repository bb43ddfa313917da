#include "shell/AboutWindowController.h"

#include "app/StatusIconArt.h"

#include <QKeySequence>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace flitbar {

namespace {

constexpr int windowWidth = 430;
constexpr int windowHeight = 400;
constexpr int iconSize = 80;
constexpr int sideMargin = 28;
constexpr int spacing = 9;
constexpr int spacingAfterTagline = 16;
constexpr const char* creditLine = "Made by the Flitbar authors.";

QLabel* centredLabel(const QString& text, int points, QFont::Weight weight, bool secondary, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setAlignment(Qt::AlignHCenter);
  QFont font = label->font();
  font.setPointSize(points);
  font.setWeight(weight);
  label->setFont(font);
  if (secondary) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
    label->setPalette(palette);
  }
  return label;
}

}  // namespace

AboutWindowController::AboutWindowController(AppIdentity identity, std::function<void(const QUrl&)> openURL)
    : identity_(std::move(identity)), openURL_(std::move(openURL)) {}

AboutWindowController::~AboutWindowController() = default;

void AboutWindowController::show() {
  if (!window_) build();
  window_->show();
  window_->raise();
  window_->activateWindow();
}

void AboutWindowController::build() {
  window_ = std::make_unique<QWidget>(nullptr, Qt::Window);
  window_->setWindowTitle(QStringLiteral("About ") + QString::fromStdString(identity_.name));
  window_->setFixedSize(windowWidth, windowHeight);
  auto* close = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), window_.get());
  QObject::connect(close, &QShortcut::activated, window_.get(), &QWidget::close);

  auto* stack = new QVBoxLayout(window_.get());
  stack->setContentsMargins(sideMargin, 0, sideMargin, 0);
  stack->setSpacing(spacing);
  stack->addStretch();

  auto* icon = new QLabel(window_.get());
  const qreal scale = window_->devicePixelRatioF();
  QPixmap mark = QPixmap::fromImage(StatusIconArt::image(StatusIconMood::capturing, qRound(iconSize * scale),
                                                         window_->palette().color(QPalette::WindowText)));
  mark.setDevicePixelRatio(scale);
  icon->setPixmap(mark);
  icon->setAlignment(Qt::AlignHCenter);
  stack->addWidget(icon);

  stack->addWidget(centredLabel(QString::fromStdString(identity_.name), 24, QFont::DemiBold, false, window_.get()));
  stack->addWidget(centredLabel(QString::fromStdString("Version " + identity_.version + " (" + identity_.build + ")"),
                                12, QFont::Normal, true, window_.get()));
  QLabel* tagline = centredLabel(QString::fromStdString(identity_.tagline), 13, QFont::Normal, false, window_.get());
  // Wrapped in full: the desktop's fonts may need a third line, and a cut tagline says less.
  tagline->setWordWrap(true);
  stack->addWidget(tagline);
  stack->addSpacing(spacingAfterTagline - spacing);

  const QUrl website(QString::fromUtf8(HouseBrand::website));
  auto* link = new QPushButton(website.toString(), window_.get());
  link->setFlat(true);
  link->setCursor(Qt::PointingHandCursor);
  QFont linkFont = link->font();
  linkFont.setPointSize(13);
  link->setFont(linkFont);
  QObject::connect(link, &QPushButton::clicked, window_.get(), [this, website] { openURL_(website); });
  stack->addWidget(link, 0, Qt::AlignHCenter);

  stack->addWidget(centredLabel(QString::fromUtf8(creditLine), 12, QFont::Normal, true, window_.get()));
  stack->addStretch();
}

}  // namespace flitbar
