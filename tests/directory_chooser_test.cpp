#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include "platform/ui/DirectoryChooser.h"

namespace ld {
namespace {

struct Scripted {
  QStringList questions, notices;
  bool answer = true;
  void Attach(DirectoryChooser& d) {
    d.confirm = [this](const QString& q) {
      questions << q;
      return answer;
    };
    d.notice = [this](const QString& n) { notices << n; };
  }
};

TEST(DirectoryChooser, LooksLikeTheChooser) {
  QTemporaryDir tmp;
  QFile(tmp.path() + QStringLiteral("/a.txt")).open(QIODevice::WriteOnly);
  DirectoryChooser d(nullptr, tmp.path());
  EXPECT_EQ(d.windowTitle(), QStringLiteral("Sélection du répertoire"));
  QStringList labels;
  for (QLabel* l : d.findChildren<QLabel*>()) labels << l->text();
  for (const char* t :
       {"&Nom de répertoire :", "&Répertoires :", "&Fichiers : (*.*)", "&Lecteurs :"})
    EXPECT_TRUE(labels.contains(QString::fromUtf8(t))) << t;
  auto* network = d.findChild<QPushButton*>(QStringLiteral("network"));
  ASSERT_NE(network, nullptr);
  EXPECT_EQ(network->text(), QStringLiteral("Ré&seau..."));
  EXPECT_FALSE(network->isEnabled());
  EXPECT_EQ(d.findChild<QPushButton*>(QStringLiteral("cancel"))->text(), QStringLiteral("Annuler"));
  EXPECT_EQ(d.EnteredDirectory(), tmp.path());
  EXPECT_EQ(d.NameText(), tmp.path());
  auto* files = d.findChild<QListWidget*>(QStringLiteral("files"));
  ASSERT_EQ(files->count(), 1);
  EXPECT_EQ(files->item(0)->text(), QStringLiteral("a.txt"));

  // An empty start path is the home directory.
  DirectoryChooser home(nullptr, QString());
  EXPECT_EQ(home.EnteredDirectory(), QDir::homePath());
}

TEST(DirectoryChooser, AFolderClickedOnceThenOkIsTheOneChosen) {
  QTemporaryDir tmp;
  for (const char* d : {"2023 Lyon", "2024 Noël"}) QDir(tmp.path()).mkdir(QString::fromUtf8(d));
  const QString wanted = tmp.path() + QStringLiteral("/2024 Noël");
  DirectoryChooser d(nullptr, tmp.path());
  d.show();
  auto* tree = d.findChild<QTreeView*>(QStringLiteral("tree"));
  ASSERT_NE(tree, nullptr);
  auto* model = static_cast<QFileSystemModel*>(tree->model());
  // The tree lists the directory's children once the model has read them.
  for (int i = 0; i < 250 && model->rowCount(model->index(tmp.path())) < 2; ++i) QTest::qWait(20);
  const QModelIndex item = model->index(wanted);
  ASSERT_TRUE(item.isValid());
  tree->scrollTo(item);
  const QRect r = tree->visualRect(item);
  ASSERT_FALSE(r.isEmpty());
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, r.center());
  EXPECT_EQ(d.NameText(), wanted);
  QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("ok")), Qt::LeftButton);
  EXPECT_EQ(d.result(), QDialog::Accepted);
  EXPECT_EQ(d.Chosen(), wanted);
}

TEST(DirectoryChooser, ExistingTypedOrEnteredDirectory) {
  QTemporaryDir tmp;
  QDir().mkpath(tmp.path() + QStringLiteral("/Été 2010/x"));
  DirectoryChooser d(nullptr, tmp.path());
  Scripted s;
  s.Attach(d);
  d.EnterDirectory(tmp.path() + QStringLiteral("/Été 2010"));
  EXPECT_EQ(d.NameText(), tmp.path() + QStringLiteral("/Été 2010"));
  d.SetNameText(QStringLiteral("x/"));  // relative to the entered directory
  EXPECT_TRUE(d.TryAccept());
  EXPECT_EQ(d.result(), QDialog::Accepted);
  EXPECT_EQ(d.Chosen(), tmp.path() + QStringLiteral("/Été 2010/x"));
  EXPECT_TRUE(s.questions.isEmpty());
}

TEST(DirectoryChooser, TypedDirectoryThatDoesNotExist) {
  QTemporaryDir tmp;
  const QString wanted = tmp.path() + QStringLiteral("/new/deeper");
  {
    DirectoryChooser d(nullptr, tmp.path());
    Scripted s;
    s.answer = false;
    s.Attach(d);
    d.SetNameText(wanted);
    EXPECT_FALSE(d.TryAccept());
    EXPECT_EQ(s.questions,
              QStringList{QStringLiteral("Le répertoire spécifié n'existe pas. Le créer ?")});
    EXPECT_FALSE(QDir(wanted).exists());
    EXPECT_FALSE(d.Chosen().has_value());
  }
  {
    DirectoryChooser d(nullptr, tmp.path());
    Scripted s;
    s.Attach(d);
    d.SetNameText(wanted);
    EXPECT_TRUE(d.TryAccept());
    EXPECT_TRUE(QDir(wanted).exists());  // with its missing parent
    EXPECT_EQ(d.Chosen(), wanted);
  }
  {
    // Under a file nothing can be created.
    QFile f(tmp.path() + QStringLiteral("/plain"));
    f.open(QIODevice::WriteOnly);
    f.close();
    DirectoryChooser d(nullptr, tmp.path());
    Scripted s;
    s.Attach(d);
    d.SetNameText(QStringLiteral("plain/sub"));
    EXPECT_FALSE(d.TryAccept());
    EXPECT_EQ(s.notices, QStringList{QStringLiteral("Impossible de créer le répertoire")});
    EXPECT_FALSE(d.Chosen().has_value());
  }
}

TEST(DirectoryChooser, BlanksAroundATypedNameAreDropped) {
  QTemporaryDir tmp;
  const QString wanted = tmp.path() + QStringLiteral("/sp");
  {
    DirectoryChooser d(nullptr, tmp.path());
    Scripted s;
    s.Attach(d);
    d.SetNameText(QStringLiteral(" ") + wanted + QStringLiteral(" \t"));
    EXPECT_TRUE(d.TryAccept());
    EXPECT_EQ(d.Chosen(), wanted);
  }
  EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
            QStringList{QStringLiteral("sp")});
  // An existing directory whose name ends in a blank is taken as it is.
  QDir().mkpath(tmp.path() + QStringLiteral("/fin "));
  DirectoryChooser d(nullptr, tmp.path());
  d.SetNameText(QStringLiteral("fin "));
  EXPECT_TRUE(d.TryAccept());
  EXPECT_EQ(d.Chosen(), tmp.path() + QStringLiteral("/fin "));
}

}  // namespace
}  // namespace ld
