#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

#include "platform/ui/DirectoryChooser.h"
#include "platform/ui/UiServices.h"

namespace ld {
namespace {

// Message boxes and the chooser's path show names from the disk as they
// are: a directory named "<b>2019</b> été" is never read as markup.
TEST(UiServices, BoxesAndTheChooserPathArePlainText) {
  UiDialogs dialogs;
  Qt::TextFormat format = Qt::AutoText;
  QString shown;
  QTimer closer;
  closer.callOnTimeout([&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    format = box->textFormat();
    shown = box->text();
    box->done(0);
  });
  closer.start(10);
  const QString name = QStringLiteral("/photos/<b>2019</b> été  n'existe pas...");
  dialogs.Notice(name);
  EXPECT_EQ(format, Qt::PlainText);
  EXPECT_EQ(shown, name);

  DirectoryChooser d(nullptr, QString());
  EXPECT_EQ(d.findChild<QLabel*>(QStringLiteral("path"))->textFormat(), Qt::PlainText);
}

}  // namespace
}  // namespace ld
