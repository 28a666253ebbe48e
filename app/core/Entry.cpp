#include "app/core/Entry.h"

#include "app/core/Version.h"

namespace ld {
namespace {

// A window id as XScreenSaver writes it: "0x1e00007" or decimal.
bool ParseWindowId(const QString& text, quint64& id) {
  bool ok = false;
  const QString t = text.trimmed();
  id = t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? t.mid(2).toULongLong(&ok, 16)
                                                              : t.toULongLong(&ok, 10);
  return ok && id != 0;
}

}  // namespace

EntryDecision DecideEntry(const QStringList& arguments, const QString& xscreensaverWindow) {
  EntryDecision d;
  if (arguments.size() > 1 && arguments[1] == QLatin1String("--help")) {
    d.request = Request::Help;
    return d;
  }
  if (arguments.size() > 1 && arguments[1] == QLatin1String("--version")) {
    d.request = Request::Version;
    return d;
  }
  if (arguments.size() > 1 && arguments[1] == QLatin1String("--watch")) {
    d.request = Request::Watch;
    if (arguments.size() > 2) {
      bool ok = false;
      const int seconds = arguments[2].toInt(&ok, 10);
      if (!ok || seconds < 1 || seconds > 32767 || arguments.size() > 3)
        d.error = QStringLiteral(
                      "luminodrift : --watch attend un délai en secondes, de 1 à "
                      "32767 : <") +
                  QStringList(arguments.mid(2)).join(u' ') + QStringLiteral(">\n");
      else
        d.watchSeconds = seconds;
    }
    return d;
  }
  if (arguments.size() > 1 && arguments[1].size() >= 2) d.character = arguments[1].mid(1, 1);
  d.setTitle = d.character == QLatin1String("s") || d.character == QLatin1String("p");
  d.request = d.character == QLatin1String("c") ? Request::Configure : Request::Show;

  bool root = false;
  QString windowArg;
  bool windowGiven = false;
  for (int i = 1; i < arguments.size(); ++i) {
    const QString& a = arguments[i];
    if (a == QLatin1String("-root") || a == QLatin1String("--root")) {
      root = true;
    } else if (a == QLatin1String("-window-id") || a == QLatin1String("--window-id")) {
      windowGiven = true;
      windowArg = i + 1 < arguments.size() ? arguments[++i] : QString();
    } else if (a.startsWith(QLatin1String("--window-id="))) {
      windowGiven = true;
      windowArg = a.mid(12);
    }
  }
  quint64 id = 0;
  if (windowGiven) {
    if (!ParseWindowId(windowArg, id)) {
      d.error = QStringLiteral("luminodrift : identifiant de fenêtre incorrect : <") + windowArg +
                QStringLiteral(">\n");
      return d;
    }
  } else if (!xscreensaverWindow.isEmpty()) {
    if (!ParseWindowId(xscreensaverWindow, id)) {
      d.error = QStringLiteral("luminodrift : XSCREENSAVER_WINDOW incorrect : <") +
                xscreensaverWindow + QStringLiteral(">\n");
      return d;
    }
  } else if (!root) {
    return d;
  }
  d.hostWindow = true;
  d.hostWindowId = id;
  d.request = Request::Show;
  return d;
}

QString UsageText() {
  return QStringLiteral(
      "Utilisation : luminodrift [/s | /p | /c]\n"
      "              luminodrift -root | -window-id FENÊTRE\n"
      "              luminodrift --watch [SECONDES]\n"
      "Diaporama de photos en plein écran, pour servir d'écran de veille.\n"
      "\n"
      "  (sans argument), /s   le diaporama en plein écran\n"
      "  /p                    la même chose (aperçu)\n"
      "  /c                    la petite fenêtre « Paramètres »\n"
      "  -root, -window-id ID  module XScreenSaver : le diaporama dans la fenêtre\n"
      "                        d'XScreenSaver (ou XSCREENSAVER_WINDOW), sans panneau\n"
      "                        et sans écrire de fichier\n"
      "  --watch [SECONDES]    veille : sans fenêtre, attend que le bureau soit\n"
      "                        inactif depuis ce délai (sinon celui du panneau\n"
      "                        « écran de veille »), lance le diaporama, attend\n"
      "                        sa fin et recommence ; une seule veille par\n"
      "                        utilisateur (GNOME, KDE Plasma, sway et autres\n"
      "                        compositeurs wlroots, X11)\n"
      "  --help                cette aide\n"
      "  --version             la version\n"
      "\n"
      "Pendant le diaporama : Esc ou Q quitte, Espace ouvre le panneau de réglages.\n"
      "Fichiers : $XDG_DATA_HOME/LuminoDrift (par défaut ~/.local/share/LuminoDrift).\n");
}

QString VersionText() { return QStringLiteral("LuminoDrift %1\n").arg(QLatin1String(kVersion)); }

}  // namespace ld
