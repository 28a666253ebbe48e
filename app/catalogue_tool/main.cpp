// luminodrift-catalogue: rebuilds or inspects the picture catalogue of the
// data directory without opening the window, with the same code as the
// program's start-up. A timer can run "rebuild" so that the screen saver
// always finds a fresh catalogue and starts at once.
#include <unistd.h>

#include <QFileInfo>
#include <QString>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "app/core/DirectoryListFile.h"
#include "app/core/ScanInputs.h"
#include "app/core/SettingsFile.h"
#include "catalogue/CatalogueFiles.h"
#include "catalogue/DirectoryScan.h"
#include "catalogue/ExclusionFile.h"
#include "platform/DataDir.h"
#include "platform/DataDirLock.h"
#include "platform/Error.h"
#include "platform/Fatal.h"
#include "platform/Services.h"
#include "platform/TextFile.h"

namespace {

using Clock = std::chrono::steady_clock;

void Err(const QString& text) {
  std::fputs(text.toUtf8().constData(), stderr);
  std::fputc('\n', stderr);
}

void Out(const QString& text) {
  std::fputs(text.toUtf8().constData(), stdout);
  std::fputc('\n', stdout);
}

// Without a window, notices go to the standard error; questions are answered
// No and choosers cancelled.
class ConsoleDialogs : public ld::IDialogs {
 public:
  void Notice(const QString& text) override { Err(text.trimmed()); }
  void ErrorBox(const QString& text) override { Err(QStringLiteral("Erreur : ") + text.trimmed()); }
  bool Confirm(const QString& text) override {
    Err(text.trimmed());
    return false;
  }
  void ConfirmYesOnly(const QString& text) override { Err(text.trimmed()); }
  std::optional<QString> ChooseDirectory(const QString&) override { return std::nullopt; }
  std::optional<QString> ChooseExecutable() override { return std::nullopt; }
  void Beep() override {}
};

QString Seconds(Clock::duration d) {
  return QString::number(std::chrono::duration<double>(d).count(), 'f', 3) + QStringLiteral(" s");
}

void PrintHelp() {
  Out(QStringLiteral("Usage : luminodrift-catalogue COMMANDE\n"
                     "\n"
                     "Le catalogue des images de LuminoDrift, sans ouvrir la fenêtre.\n"
                     "Répertoire des données : %1\n"
                     "\n"
                     "Commandes :\n"
                     "  rebuild   reconstruit le catalogue comme le ferait un démarrage sans le\n"
                     "            marqueur de réinitialisation : lit le fichier des paramètres\n"
                     "            (filtres), la liste des répertoires et leurs coches, le fichier\n"
                     "            d'exclusions quand il est activé ; parcourt les répertoires\n"
                     "            cochés, enregistre les deux fichiers du catalogue puis le\n"
                     "            marqueur, et efface l'historique des images affichées.\n"
                     "            Affiche le nombre d'images, de répertoires et la durée, et\n"
                     "            nomme les répertoires illisibles et les images écartées.\n"
                     "            Quand aucun répertoire coché n'est présent (disque non\n"
                     "            monté), ne touche à rien et échoue. Un seul processus écrit\n"
                     "            le catalogue à la fois : un second attend quelques secondes,\n"
                     "            puis échoue.\n"
                     "  info      charge le catalogue enregistré et affiche ses nombres d'images\n"
                     "            et de répertoires ; état de sortie 1 avec un message clair\n"
                     "            quand il manque ou n'est pas fiable.\n"
                     "  --help    affiche cette aide.\n"
                     "\n"
                     "États de sortie : 0 réussite, 1 échec, 2 commande inconnue.")
          .arg(ld::DataDir()));
}

int Rebuild() {
  ConsoleDialogs dialogs;
  const auto started = Clock::now();
  QStringList settings;
  ld::LoadSettingsList(settings, ld::DataFile(QString::fromLatin1(ld::files::kSettings)));
  const QList<ld::RootDirectory> listed =
      ld::ReadDirectoryList().value_or(QList<ld::RootDirectory>());
  ld::ReportVanishedDirectories(listed, Err);
  const ld::ScanInputs inputs = ld::BuildScanInputs(settings, listed);
  const ld::ScanFilter& filter = inputs.filter;
  const QList<ld::RootDirectory>& roots = inputs.roots;
  const ld::ExclusionLists exclusions = ld::ReadExclusionFile(
      ld::DataFile(QString::fromLatin1(ld::files::kExclusion)), filter.useExclusionLists, dialogs);

  // One writer at a time in the data directory: another rebuild (or a
  // starting show) is waited for a little, then this one gives up.
  ld::DataDirLock lock;
  if (!lock.Take(ld::kWriterPatience)) {
    Err(QStringLiteral("Le catalogue de %1 est en cours d'écriture par un autre processus "
                       "(une autre reconstruction, ou un démarrage de LuminoDrift) : rien "
                       "n'est fait, réessayez plus tard.")
            .arg(ld::DataDir()));
    return 1;
  }
  ld::Catalogue catalogue;
  int counter = 0;
  ld::ScanHooks hooks;
  if (::isatty(STDERR_FILENO)) {
    hooks.showCounter = [](int n) { std::fprintf(stderr, "\r%d entrées examinées", n); };
  }
  ld::DirectoryScan scan(filter, exclusions, catalogue, counter, hooks);
  if (ld::RebuildCatalogue(roots, scan) == ld::RebuildOutcome::NoTickedDirectoryPresent) {
    Err(ld::NoTickedDirectoryMessage());
    return 1;
  }
  if (hooks.showCounter) std::fputc('\n', stderr);
  // As at a start without marker: the history file goes, and the new
  // catalogue is saved.
  ld::DeleteFileSilently(ld::HistoryPath());
  ld::SaveCatalogue(catalogue);
  const auto took = Clock::now() - started;
  for (const QString& line : ld::ScanReportLines(scan.Report())) Err(line);

  int ticked = 0;
  for (const auto& r : roots) ticked += r.ticked ? 1 : 0;
  Out(QStringLiteral("%1 images dans %2 répertoires (%3 entrées examinées, %4 répertoires "
                     "cochés sur %5) en %6")
          .arg(catalogue.Count())
          .arg(catalogue.Directories().size())
          .arg(counter)
          .arg(ticked)
          .arg(roots.size())
          .arg(Seconds(took)));
  if (catalogue.IsEmpty())
    Out(
        QStringLiteral("Aucune image : rien n'est enregistré, le prochain démarrage "
                       "reconstruira le catalogue."));
  return 0;
}

int Info() {
  const auto started = Clock::now();
  const QString records = ld::CatalogueRecordsPath();
  const QString dirs = ld::CatalogueDirsPath();
  for (const QString& f : {records, dirs}) {
    if (!QFileInfo::exists(f)) {
      Err(QStringLiteral("Pas de catalogue enregistré : le fichier %1 manque.\n"
                         "Lancez « luminodrift-catalogue rebuild ».")
              .arg(f));
      return 1;
    }
  }
  ld::DataDirLock lock;
  if (!lock.Take(ld::kWriterPatience, {}, false)) {
    Err(QStringLiteral("Le catalogue de %1 est en cours d'écriture par un autre processus : "
                       "réessayez plus tard.")
            .arg(ld::DataDir()));
    return 1;
  }
  ld::Catalogue catalogue;
  if (ld::LoadCatalogue(catalogue) != ld::LoadResult::Loaded) {
    Err(QStringLiteral("Le catalogue enregistré n'est pas fiable (fichier %1 illisible, de "
                       "longueur qui n'est pas un multiple de %2 octets, trop grand pour la "
                       "mémoire de cette machine, ou qui ne correspond pas à %3).\nLancez « "
                       "luminodrift-catalogue rebuild ».")
            .arg(records)
            .arg(ld::kRecordSize)
            .arg(dirs));
    return 1;
  }
  const auto took = Clock::now() - started;
  Out(QStringLiteral("%1 images dans %2 répertoires, chargées en %3")
          .arg(catalogue.Count())
          .arg(catalogue.Directories().size())
          .arg(Seconds(took)));
  Out(QFileInfo::exists(ld::ResetMarkerPath())
          ? QStringLiteral("Marqueur de réinitialisation présent : le prochain démarrage charge "
                           "ce catalogue.")
          : QStringLiteral("Marqueur de réinitialisation absent : le prochain démarrage "
                           "reconstruira le catalogue."));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  ld::EndCleanlyOnUncaughtException("luminodrift-catalogue");
  if (argc != 2) {
    PrintHelp();
    return 2;
  }
  const char* cmd = argv[1];
  try {
    if (std::strcmp(cmd, "--help") == 0 || std::strcmp(cmd, "-h") == 0 ||
        std::strcmp(cmd, "help") == 0) {
      PrintHelp();
      return 0;
    }
    if (std::strcmp(cmd, "rebuild") == 0) return Rebuild();
    if (std::strcmp(cmd, "info") == 0) return Info();
  } catch (const ld::Error& e) {
    Err(QStringLiteral("Erreur : ") + e.message());
    return 1;
  } catch (const std::bad_alloc&) {
    ld::ReportOutOfMemory();
    return 1;
  }
  Err(QStringLiteral("Commande inconnue : %1 (voir luminodrift-catalogue --help)")
          .arg(QString::fromLocal8Bit(cmd)));
  return 2;
}
