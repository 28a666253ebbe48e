#pragma once

#include <QString>

namespace ld {

// The one data directory of the program: $XDG_DATA_HOME/LuminoDrift, by
// default ~/.local/share/LuminoDrift. Both spellings that the program's files
// were once written with ("LuminoDrift" and "luminodrift") name this one
// directory. Read from the environment at every call, so tests can move it.
QString DataDir();

// DataDir() + separator + file name.
QString DataFile(const QString& fileName);

// $XDG_CONFIG_HOME, by default ~/.config (home of "Lumino_drift.ini").
QString ConfigDir();

// Creates the data directory (and its parents) when it is missing. Returns
// false when it neither exists nor can be created.
bool EnsureDataDir();

// The data files, by the names they have always had.
namespace files {
inline const char* const kSettings = "luminodrift_var.prm";
inline const char* const kDirectoryList = "luminodrift.rep";
inline const char* const kDirectoryFlags = "luminodrift.repflag";
inline const char* const kHistory = "img_affichees.lst";
inline const char* const kCurrentDirectoryList = "image_rep_crt.txt";
inline const char* const kCatalogueDirs = "toutes_img_ListBox_rep.dat";
inline const char* const kCatalogueRecords = "toutes_img._nf";
inline const char* const kResetMarker = "effacez_moi_pour_reinitialiser.___";
inline const char* const kExclusion = "LuminoDrift_exclusion.txt";
inline const char* const kManual = "LuminoDrift_Manuel.pdf";
inline const char* const kDialogIni = "Lumino_drift.ini";
}  // namespace files

}  // namespace ld
