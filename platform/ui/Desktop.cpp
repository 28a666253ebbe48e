#include "platform/ui/Desktop.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QScreen>
#include <QTimer>
#include <QTranslator>
#include <QWindow>

namespace ld {

QTranslator* LoadQtTranslations(QCoreApplication& app) {
  auto* translator = new QTranslator(&app);
  if (!translator->load(QStringLiteral("qtbase_fr"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
      !QCoreApplication::installTranslator(translator)) {
    delete translator;
    return nullptr;
  }
  return translator;
}

bool EmbedInHostWindow(QWidget& w, quint64 id) {
  QWindow* host = QWindow::fromWinId(static_cast<WId>(id));
  if (!host) return false;
  // The widget needs its own native window before it can be given a parent
  // outside the program.
  w.setAttribute(Qt::WA_NativeWindow);
  w.winId();
  if (!w.windowHandle()) return false;
  w.windowHandle()->setParent(host);
  w.move(0, 0);
  return true;
}

void CoverRootWindow(QWidget& w, const QSize& rootSize) {
  w.setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
  w.setGeometry(QRect(QPoint(0, 0), rootSize));
}

ScreenCovers::ScreenCovers(QWidget* show) : QObject(show), show_(show) {
  show->installEventFilter(this);
  auto later = [this] { QTimer::singleShot(0, this, [this] { Update(); }); };
  connect(qGuiApp, &QGuiApplication::screenAdded, this, later);
  connect(qGuiApp, &QGuiApplication::screenRemoved, this, later);
  if (show->isVisible()) later();
}

ScreenCovers::~ScreenCovers() = default;

std::vector<QWidget*> ScreenCovers::Covers() const {
  std::vector<QWidget*> out;
  for (const auto& c : covers_) out.push_back(c.get());
  return out;
}

bool ScreenCovers::eventFilter(QObject* watched, QEvent* event) {
  // Keys that reach a cover (the keyboard follows the pointer where no
  // window manager gives the show the focus) are the show's keys.
  if (watched != show_ && show_ &&
      (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
    const auto* k = static_cast<QKeyEvent*>(event);
    QKeyEvent copy(k->type(), k->key(), k->modifiers(), k->nativeScanCode(), k->nativeVirtualKey(),
                   k->nativeModifiers(), k->text(), k->isAutoRepeat(), k->count());
    QCoreApplication::sendEvent(show_, &copy);
    return true;
  }
  if (watched == show_) {
    if (event->type() == QEvent::Show) {
      // The window's screen is known once it is on the screen.
      QTimer::singleShot(0, this, [this] { Update(); });
      if (QWindow* handle = show_->windowHandle())
        connect(handle, &QWindow::screenChanged, this, &ScreenCovers::Update, Qt::UniqueConnection);
    } else if (event->type() == QEvent::Hide) {
      CloseAll();
    }
  }
  return false;
}

void ScreenCovers::Update() {
  CloseAll();
  if (!show_ || !show_->isVisible()) return;
  QScreen* own = show_->screen();
  for (QScreen* s : QGuiApplication::screens()) {
    if (s == own) continue;
    // Top-level windows of their own (no parent: each is full screen on its
    // screen), which never take the keyboard from the show.
    auto cover = std::make_unique<QWidget>(
        nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    cover->setObjectName(QStringLiteral("ScreenCover"));
    cover->setWindowTitle(show_->windowTitle());
    cover->setAttribute(Qt::WA_ShowWithoutActivating);
    QPalette p = cover->palette();
    p.setColor(QPalette::Window, Qt::black);
    cover->setPalette(p);
    cover->setAutoFillBackground(true);
    cover->setCursor(Qt::BlankCursor);
    cover->setScreen(s);
    cover->setGeometry(s->geometry());
    cover->setWindowState(Qt::WindowFullScreen);
    cover->installEventFilter(this);
    cover->show();
    covers_.push_back(std::move(cover));
  }
}

void ScreenCovers::CloseAll() { covers_.clear(); }

}  // namespace ld
