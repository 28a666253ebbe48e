// The screen-saver settings dialog and its own file.
#include <gtest/gtest.h>

#include <QFile>
#include <QSettings>

#include "panel/Twinparam.h"

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
  QFile::remove(Twinparam::FilePath());
  {
    QSettings ini(Twinparam::FilePath(), QSettings::IniFormat);
    ini.setValue("Parametres/Couleur", "Vert");
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

}  // namespace
