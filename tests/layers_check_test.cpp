#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include "support/TempData.h"

namespace ld {
namespace {

// Runs scripts/check-layers over a tree; returns its exit code and output.
int CheckLayers(const QString& tree, QString& output) {
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(QStringLiteral(LD_SOURCE_DIR "/scripts/check-layers"),
          {tree, QStringLiteral(LD_QTWIDGETS_INCLUDE_DIR)});
  if (!p.waitForFinished(60000)) return -1;
  output = QString::fromUtf8(p.readAll());
  return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

TEST(LayersCheck, ReportsEachIncludeAgainstTheLayers) {
  QTemporaryDir tmp;
  const QString t = tmp.path();
  auto write = [&](const char* path, const char* text) {
    testing::WriteBytes(t + u'/' + QString::fromLatin1(path), QByteArray(text));
  };
  write("platform/A.h", "#pragma once\n#include <QString>\n");
  write("platform/ui/W.h", "#include <QWidget>\n#include \"platform/A.h\"\n");
  write("show/S.cpp", "#include \"catalogue/C.h\"\n#include <QImage>\n");
  write("show/ui/V.cpp",
        "#include <QLabel>\n#include \"platform/ui/W.h\"\n#include \"show/S.h\"\n"
        "#include \"catalogue/C.h\"\n");
  write("panel/P.cpp", "#include \"show/S.h\"\n");
  write("app/core/E.cpp", "#include \"panel/P.h\"\n");
  write("app/ui/M.cpp", "#include \"app/core/E.h\"\n#include <show/ui/V.h>\n");
  write("app/catalogue_tool/main.cpp", "#include <QString>\n#include \"app/core/E.h\"\n");
  QString out;
  EXPECT_EQ(CheckLayers(t, out), 0) << out.toStdString();

  write("catalogue/C.cpp",
        "#include \"platform/A.h\"\n#include \"show/S.h\"\n#include \"platform/ui/W.h\"\n"
        "#include <QLabel>\n#include <QtWidgets/QDialog>\n#include <QString>\n");
  write("panel/Q.cpp", "#include \"panel/ui/X.h\"\n");
  write("app/core/F.cpp", "#include <QApplication>\n");
  write("show/R.cpp", "#include \"../app/ui/M.h\"\n#include \"S.h\"\n");
  // Project headers in angle brackets are found through the same include path.
  write("show/T.cpp", "#include <app/core/E.h>\n#include <catalogue/C.h>\n");
  write("app/catalogue_tool/main.cpp", "#include <QLabel>\n");
  ASSERT_EQ(CheckLayers(t, out), 1);
  QStringList lines = out.split(u'\n', Qt::SkipEmptyParts);
  lines.removeLast();  // the count
  lines.sort();
  EXPECT_EQ(lines.join(u'\n').toStdString(),
            "app/catalogue_tool/main.cpp: includes <QLabel> (a Qt Widgets header in widget-free "
            "code)\n"
            "app/core/F.cpp: includes <QApplication> (a Qt Widgets header in widget-free code)\n"
            "catalogue/C.cpp: includes <QLabel> (a Qt Widgets header in widget-free code)\n"
            "catalogue/C.cpp: includes <QtWidgets/QDialog> (a Qt Widgets header in widget-free "
            "code)\n"
            "catalogue/C.cpp: includes platform/ui/W.h (widget-free code includes widget code of "
            "platform/ui)\n"
            "catalogue/C.cpp: includes show/S.h (show is above catalogue; catalogue and show "
            "include each other)\n"
            "panel/Q.cpp: includes panel/ui/X.h (widget-free code includes widget code of "
            "panel/ui)\n"
            "show/R.cpp: includes app/ui/M.h (app/ui is above show)\n"
            "show/S.cpp: includes catalogue/C.h (show and catalogue include each other)\n"
            "show/T.cpp: includes <app/core/E.h> (app/core is above show)\n"
            "show/T.cpp: includes <catalogue/C.h> (show and catalogue include each other)");
}

}  // namespace
}  // namespace ld
