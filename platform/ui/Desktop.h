#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <vector>

class QCoreApplication;
class QTranslator;

namespace ld {

// Loads Qt's own French translations (qtbase_fr.qm from Qt's translation
// directory), so the standard dialogs and buttons speak French like the
// rest of the program. False when the file is not there (the texts then stay
// English; nothing else changes). The translator belongs to app.
QTranslator* LoadQtTranslations(QCoreApplication& app);

// Makes w a child of the X window id of another program (XScreenSaver's
// window, or the root window), placed at its top-left corner. False when the
// window cannot be used.
bool EmbedInHostWindow(QWidget& w, quint64 id);

// Makes w a window over the whole root window of size rootSize that no
// window manager takes (override-redirect: no frame, no title, not moved),
// as screen-saver modules draw when no screen-saver window is given.
void CoverRootWindow(QWidget& w, const QSize& rootSize);

// Black frameless full-screen windows over every screen but the show
// window's, the pointer hidden over them. They follow the show window: put up
// when it is shown (and again when screens come and go or it changes screen),
// closed when it hides or is destroyed.
class ScreenCovers : public QObject {
  Q_OBJECT
 public:
  explicit ScreenCovers(QWidget* show);
  ~ScreenCovers() override;

  // The covers now up.
  std::vector<QWidget*> Covers() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Update();
  void CloseAll();

  QPointer<QWidget> show_;
  std::vector<std::unique_ptr<QWidget>> covers_;
};

}  // namespace ld
