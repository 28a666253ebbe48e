#include "panel/ui/Manual.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include "platform/Error.h"
#include "platform/TextFile.h"

namespace ld {

QString ManualText() {
  QFile f(QStringLiteral(":/manuel.md"));
  if (!f.open(QIODevice::ReadOnly)) return QString();
  return QString::fromUtf8(f.readAll());
}

void WriteManualPdf(const QString& path) {
  const QString text = ManualText();
  QDir().mkpath(QFileInfo(path).absolutePath());
  if (text.isEmpty()) throw Error(CannotCreateFileMessage(path));
  // The document is made in memory, then saved as every file of the program
  // is (whole or not at all, and never over a device or through a dangling
  // link).
  QBuffer file;
  file.open(QIODevice::WriteOnly);
  {
    QPdfWriter pdf(&file);
    pdf.setTitle(QStringLiteral("LuminoDrift — manuel d'utilisation"));
    pdf.setCreator(QStringLiteral("LuminoDrift"));
    pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                  QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));

    QTextDocument doc;
    QFont body(QStringLiteral("DejaVu Sans"));
    body.setPointSizeF(10);
    doc.setDefaultFont(body);
    doc.setDefaultStyleSheet(QStringLiteral("code { font-family: 'DejaVu Sans Mono'; }"));
    doc.setMarkdown(text, QTextDocument::MarkdownDialectGitHub);
    // Tables: some room around the text of each cell.
    for (QTextFrame* frame : doc.rootFrame()->childFrames())
      if (auto* table = qobject_cast<QTextTable*>(frame)) {
        QTextTableFormat f = table->format();
        f.setBorderCollapse(true);
        f.setBorder(0);
        f.setCellSpacing(0);
        f.setCellPadding(3);
        table->setFormat(f);
      }
    // print() breaks the document into pages of the writer's size, inside
    // margins of 2 cm, and numbers them at the bottom.
    doc.print(&pdf);
  }
  WriteFileAtomically(path, file.data());
}

}  // namespace ld
