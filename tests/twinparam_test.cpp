// The screen-saver settings dialog and its own file.
#include "panel/ui/Twinparam.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/Error.h"
#include "support/FullDisk.h"

using ld::Twinparam;

namespace {

class TwinparamTest : public ::testing::Test {
 protected:
  void SetUp() override { QFile::remove(Twinparam::FilePath()); }
  void TearDown() override { QFile::remove(Twinparam::FilePath()); }
  static QByteArray FileBytes() {
    QFile f(Twinparam::FilePath());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
};

TEST_F(TwinparamTest, FirstUseShowsDefaultsAndCancelLeavesNoFile) {
  Twinparam d;
  EXPECT_EQ(d.objectName(), "winparam");
  EXPECT_EQ(d.windowTitle(), "Paramètres");
  EXPECT_EQ(d.size(), QSize(381, 155));
  EXPECT_EQ(d.Edit1->text(), "Zorbec je vais t'hypnotiser !");
  EXPECT_EQ(d.ComboBox1->currentText(), "Rouge");
  ASSERT_EQ(d.ComboBox1->count(), 6);
  EXPECT_EQ(d.ComboBox1->itemText(0), "Blanc");
  EXPECT_EQ(d.ComboBox1->itemText(5), "Vert");
  EXPECT_TRUE(d.ComboBox1->isEditable());
  EXPECT_EQ(d.Button1->text(), "OK");
  EXPECT_EQ(d.Button2->text(), "Annuler");

  d.show();
  d.Edit1->setText("ne pas garder");
  d.Button2->click();
  EXPECT_FALSE(d.isVisible());
  EXPECT_FALSE(QFile::exists(Twinparam::FilePath()));
}

TEST_F(TwinparamTest, OkWritesBothValuesWhichComeBackAsTyped) {
  const QString text = QStringLiteral("a=b;c, d \"é\" # %ü [x] \\ ");
  {
    Twinparam d;
    d.show();
    d.Edit1->setText(text);
    d.ComboBox1->setCurrentText("Orange");  // typed, not one of the items
    d.Button1->click();
    EXPECT_FALSE(d.isVisible());
  }
  ASSERT_TRUE(QFile::exists(Twinparam::FilePath()));
  EXPECT_TRUE(FileBytes().contains("[Parametres]"));
  Twinparam again;
  EXPECT_EQ(again.Edit1->text(), text);
  EXPECT_EQ(again.ComboBox1->currentText(), "Orange");
}

TEST_F(TwinparamTest, EmptyTextIsKeptEmptyAndMissingKeysTakeDefaults) {
  {
    Twinparam d;
    d.Edit1->setText(QString());
    d.Button1->click();
  }
  {
    Twinparam d;
    EXPECT_EQ(d.Edit1->text(), "");
    EXPECT_EQ(d.ComboBox1->currentText(), "Rouge");
  }
  // A file holding only the colour: the text takes its default.
  {
    QFile f(Twinparam::FilePath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Parametres]\r\nCouleur=Vert\r\n");
  }
  Twinparam d;
  EXPECT_EQ(d.Edit1->text(), "Zorbec je vais t'hypnotiser !");
  EXPECT_EQ(d.ComboBox1->currentText(), "Vert");
}

TEST_F(TwinparamTest, HandWrittenFileIsReadAndLongValuesAreCut) {
  {
    QFile f(Twinparam::FilePath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Autre]\r\nTexte=non\r\n[Parametres]\r\nTexte=un, deux\r\nCouleur=" +
            QByteArray(3000, 'x') + "\r\n");
  }
  Twinparam d;
  EXPECT_EQ(d.Edit1->text(), "un, deux");
  EXPECT_EQ(d.ComboBox1->currentText(), QString(2047, u'x'));
}

TEST_F(TwinparamTest, RawLinesInAnyCaseAndEveryOtherLineKept) {
  // A hand-written Windows-1252 file (0xE9 is "é").
  const QByteArray before =
      "; r\xE9glages\r\n[Autre]\r\nTexte=non\r\n[PARAMETRES]\ntexte=Bonjour; salut, toi\n"
      "COULEUR=Vert\nx=\"cit\xE9\" ; garde\n\n[Fin]\ny=1";
  {
    QFile f(Twinparam::FilePath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(before);
  }
  const QString typed = QStringLiteral("  Salut, toi; été = \"x\" ");
  {
    Twinparam d;
    EXPECT_EQ(d.Edit1->text(), "Bonjour; salut, toi");
    EXPECT_EQ(d.ComboBox1->currentText(), "Vert");
    d.Edit1->setText(typed);
    d.ComboBox1->setCurrentText("Orange");
    d.Button1->click();
  }
  // Only the two lines changed, to the values as typed; the file is now
  // UTF-8, its other lines and their ends as they were.
  EXPECT_EQ(QString::fromUtf8(FileBytes()),
            QStringLiteral("; réglages\r\n[Autre]\r\nTexte=non\r\n[PARAMETRES]\nTexte=") + typed +
                QStringLiteral("\nCouleur=Orange\nx=\"cité\" ; garde\n\n[Fin]\ny=1"));
  Twinparam again;
  EXPECT_EQ(again.Edit1->text(), typed);

  // A file without the section gets it at its end.
  {
    QFile f(Twinparam::FilePath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Autre]\nz=1");
  }
  again.Button1->click();
  EXPECT_EQ(QString::fromUtf8(FileBytes()),
            QStringLiteral("[Autre]\nz=1\r\n[Parametres]\r\nTexte=") + typed +
                QStringLiteral("\r\nCouleur=Orange\r\n"));
}

TEST_F(TwinparamTest, AFailedWriteKeepsTheOldFileAndSaysSo) {
  {
    QFile f(Twinparam::FilePath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Parametres]\r\nTexte=ancien\r\n");
  }
  const QByteArray old = FileBytes();
  const QString failure = ld::CannotCreateFileMessage(Twinparam::FilePath());
  Twinparam d;
  d.show();
  d.Edit1->setText(QString(3000, u'x'));
  // A full disk: the error is raised (the child turns the box into it).
  d.errorBox = [](const QString& text) { throw ld::Error(text); };
  EXPECT_EQ(ld::testing::RunOnFullDisk(
                1000, [&] { d.Button1Click(); }, failure),
            ld::testing::kRaisedExpected);
  EXPECT_EQ(FileBytes(), old);
  const QString dir = QFileInfo(Twinparam::FilePath()).absolutePath();
  for (const QString& name : ld::testing::NamesIn(dir))
    EXPECT_FALSE(name.startsWith(QStringLiteral("Lumino_drift.ini."))) << name.toStdString();

  // A file that cannot be replaced at all: the box, and the dialog stays.
  QStringList shown;
  d.errorBox = [&](const QString& text) { shown << text; };
  QFile::remove(Twinparam::FilePath());
  QDir().mkpath(Twinparam::FilePath());
  d.Button1->click();
  EXPECT_EQ(shown, QStringList{failure});
  EXPECT_TRUE(d.isVisible());
  QDir(Twinparam::FilePath()).removeRecursively();
}

}  // namespace
