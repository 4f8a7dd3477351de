#include "window/window_header.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QThread>
#include <QVBoxLayout>
#include <atomic>
#include <memory>

#include "window/artwork.h"
#include "window/qt_text.h"

namespace nvx::app {
namespace {

constexpr int kBannerHeight = 40;

}  // namespace

WindowHeader::WindowHeader(QWidget* parent) : QWidget(parent) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  banner_ = new QLabel;
  banner_->setObjectName(QStringLiteral("banner"));
  banner_->setFixedSize(220, kBannerHeight);
  title_ = new QLabel;
  title_->setObjectName(QStringLiteral("title"));
  QFont big = title_->font();
  big.setPointSizeF(big.pointSizeF() * 1.25);
  big.setBold(true);
  title_->setFont(big);
  title_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  title_->setMinimumWidth(120);
  auto* right = new QVBoxLayout;
  right->setSpacing(2);
  progress_ = new QProgressBar;
  progress_->setObjectName(QStringLiteral("progress"));
  progress_->setRange(0, 100);
  progress_->setTextVisible(false);
  progress_->setMaximumHeight(12);
  status_ = new QLabel;
  status_->setObjectName(QStringLiteral("statusLabel"));
  status_->setAlignment(Qt::AlignCenter);
  // Long texts from the core must never widen the window: they wrap onto a
  // second line, and the whole text is the label's tool tip.
  status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  status_->setWordWrap(true);
  status_->setFont(QFont(QStringLiteral("Monospace"), status_->font().pointSize()));
  right->addWidget(progress_);
  right->addWidget(status_);
  row->addWidget(banner_);
  row->addSpacing(8);
  row->addWidget(title_, 1);
  row->addLayout(right, 1);
}

void WindowHeader::ShowTitle(const QString& title) { title_->setText(title); }

void WindowHeader::ShowBanner(TonerOrder order) {
  banner_->setPixmap(art::Banner(order, banner_->size(), devicePixelRatioF()));
}

void WindowHeader::ShowStatus(const QString& text) { status_->setText(text); }

void WindowHeader::ShowWorkStatus(const QString& text) {
  status_->setText(text);
  status_->setToolTip(text);
}

void WindowHeader::ShowProgress(int percent) { progress_->setValue(percent); }

UiHooks WindowHeader::Hooks() {
  UiHooks hooks;
  QPointer<WindowHeader> self(this);
  // The core may report the same percentage for every row: only changes cross
  // to this thread, so a burst of them never holds up the window.
  auto lastPercent = std::make_shared<std::atomic<int>>(-1);
  hooks.progress = [self, lastPercent](int percent) {
    if (lastPercent->exchange(percent) == percent) return;
    QMetaObject::invokeMethod(
        qApp,
        [self, percent] {
          if (self) self->ShowProgress(percent);
        },
        Qt::QueuedConnection);
  };
  hooks.status = [self](std::string_view text) {
    QMetaObject::invokeMethod(
        qApp,
        [self, t = Q(text)] {
          if (self) self->ShowWorkStatus(t);
        },
        Qt::QueuedConnection);
  };
  return hooks;
}

}  // namespace nvx::app
