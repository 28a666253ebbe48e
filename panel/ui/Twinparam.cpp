#include "panel/ui/Twinparam.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

#include "platform/DataDir.h"
#include "platform/Error.h"
#include "platform/IniFile.h"
#include "platform/Paths.h"

namespace ld {
namespace {

const char* const kSection = "Parametres";
const char* const kTextKey = "Texte";
const char* const kColourKey = "Couleur";
const char* const kDefaultText = "Zorbec je vais t'hypnotiser !";
const char* const kDefaultColour = "Rouge";
// The values have always been read through a 2048-byte buffer: at most 2047
// characters of a value come back.
constexpr int kMaxValueLength = 2047;

QString Name(const char* name) { return QString::fromLatin1(name); }

// A key's value as text. A key that exists holds its text, even an empty
// one; only a missing key (or file) gives the default.
QString ReadValue(const IniFile& ini, const char* key, const char* fallback) {
  const std::optional<QString> v = ini.Value(Name(kSection), Name(key));
  return v ? v->left(kMaxValueLength) : QString::fromUtf8(fallback);
}

void ShowError(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Erreur"), text, QMessageBox::NoButton,
                  parent);
  box.setTextFormat(Qt::PlainText);
  box.addButton(QMessageBox::Ok)->setText(QStringLiteral("OK"));
  box.exec();
}

}  // namespace

Twinparam::Twinparam(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("winparam"));
  setWindowTitle(QStringLiteral("Paramètres"));
  setGeometry(552, 265, 381, 155);
  setFixedSize(381, 155);
  QPalette p = palette();
  p.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
  setPalette(p);
  setAutoFillBackground(true);
  QFont f = font();
  f.setPixelSize(11);
  setFont(f);

  GroupBox1 = new QGroupBox(QStringLiteral("Options"), this);
  GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
  GroupBox1->setGeometry(8, 8, 225, 97);
  Label1 = new QLabel(QStringLiteral("Texte :"), GroupBox1);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->move(16, 24);
  Label1->adjustSize();
  Edit1 = new QLineEdit(QStringLiteral("Corvexpage"), GroupBox1);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Edit1->setGeometry(80, 24, 121, 21);
  Label1->setBuddy(Edit1);
  Label2 = new QLabel(QStringLiteral("Couleur :"), GroupBox1);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->move(16, 64);
  Label2->adjustSize();
  ComboBox1 = new QComboBox(GroupBox1);
  ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  ComboBox1->setEditable(true);
  // Suggestions only: any typed text is what is kept.
  ComboBox1->setInsertPolicy(QComboBox::NoInsert);
  ComboBox1->addItems({QStringLiteral("Blanc"), QStringLiteral("Bleu"), QStringLiteral("Jaune"),
                       QStringLiteral("Noir"), QStringLiteral("Rouge"), QStringLiteral("Vert")});
  ComboBox1->setCurrentText(QStringLiteral("Rouge"));
  ComboBox1->setGeometry(80, 60, 121, 21);
  Label2->setBuddy(ComboBox1);

  Button1 = new QPushButton(QStringLiteral("OK"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setGeometry(240, 16, 75, 25);
  Button2 = new QPushButton(QStringLiteral("Annuler"), this);
  Button2->setObjectName(QStringLiteral("Button2"));
  Button2->setGeometry(240, 48, 75, 25);
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });

  errorBox = [this](const QString& text) { ShowError(this, text); };
  FormCreate();
}

QString Twinparam::FilePath() {
  return JoinPath(ConfigDir(), QString::fromLatin1(files::kDialogIni));
}

void Twinparam::FormCreate() {
  // Reading never creates the file; a missing or unreadable file gives the
  // defaults without a word.
  const IniFile ini = IniFile::Read(FilePath());
  Edit1->setText(ReadValue(ini, kTextKey, kDefaultText));
  Edit1->setCursorPosition(0);  // show the text from its beginning
  ComboBox1->setCurrentText(ReadValue(ini, kColourKey, kDefaultColour));
}

void Twinparam::Button1Click() {
  try {
    QDir().mkpath(QFileInfo(FilePath()).absolutePath());
    // Only the two lines change; the rest of the file (comments, other
    // sections and keys) stays as the user left it.
    IniFile ini = IniFile::Read(FilePath());
    ini.SetValue(Name(kSection), Name(kTextKey), Edit1->text());
    ini.SetValue(Name(kSection), Name(kColourKey), ComboBox1->currentText());
    ini.Write(FilePath());
  } catch (const Error& e) {
    // The old file is intact; the dialog stays open, so the user may try
    // again or cancel.
    errorBox(e.message());
    return;
  }
  close();
}

void Twinparam::Button2Click() { close(); }

}  // namespace ld
