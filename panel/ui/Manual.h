#pragma once

#include <QString>

namespace ld {

// The user manual, kept as Markdown in the program's resources.
QString ManualText();

// Renders the manual into a PDF file at path (A4, one column), written to a
// temporary file and renamed, with the missing directories created. Throws
// ld::Error "Impossible de créer le fichier ..." when it cannot be written.
void WriteManualPdf(const QString& path);

}  // namespace ld
