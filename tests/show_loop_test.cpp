#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <condition_variable>
#include <mutex>

#include "platform/DataDir.h"
#include "platform/Error.h"
#include "platform/TextFile.h"
#include "show/DisplayGeometry.h"
#include "support/DecodeGate.h"
#include "support/PictureFixtures.h"
#include "support/ShowWindow.h"

using namespace ld;
using namespace ld::testing;

namespace {
QString CurrentDirList() { return DataFile(QString::fromLatin1(files::kCurrentDirectoryList)); }
}  // namespace

TEST(ShowLoop, SequentialStepsCaptionTheHistoryAndTheIndex) {
  ShowWindow s;
  const QString a = s.AddJpeg("a.jpg"), b = s.AddJpeg("b.1.jpg"), c = s.AddJpeg("c.jpg", 300, 400);
  Tdiapo& w = *s.w;
  w.Show().SetSequentialIndex(1);
  w.RadioGroup_titre_ecran->SetItemIndex(2);
  w.ShowNextPicture();
  s.ToNextPause();  // the picture arrives from its decode
  // The first step happens at once: position 2, the portrait picture.
  EXPECT_EQ(w.Show().CurrentPath(), c);
  EXPECT_EQ(w.Label1->text(), "(2/3)  2005-08-28 avg \\ c jpg");
  EXPECT_EQ(w.Image2->geometry(), QRect(555, 0, 810, 1080));
  EXPECT_EQ(w.Edit_indice_non_aleatoire->text(), "2");
  EXPECT_EQ(w.Label5->text(), "0");
  EXPECT_EQ(w.Label13->text(), "3 images");
  EXPECT_EQ(w.Show().PendingShowPause(), 200);  // 250 ms waits 200
  EXPECT_TRUE(w.Label6->isHidden());
  // The labels of the step's end come after the pause.
  EXPECT_TRUE(w.Show().LastShownPath().isEmpty());
  s.Next();
  EXPECT_EQ(w.Show().LastShownPath(), c);
  EXPECT_EQ(w.Label_nom_img->text(), "c.jpg");
  EXPECT_EQ(w.Label_repertoire->text(), s.dir.path() + "/2005-08-28 avg");
  // Wrapped to 0, landscape fitted.
  EXPECT_EQ(w.Show().CurrentPath(), a);
  EXPECT_EQ(w.Image2->geometry(), QRect(240, 0, 1440, 1080));
  s.Next();
  EXPECT_EQ(w.Label1->text(), "(1/3)  2005-08-28 avg \\ b 1 jpg");
  EXPECT_EQ(s.History(), (QStringList{c, a, b}));
  EXPECT_EQ(w.Show().HistoryPosition(), 2);
  EXPECT_EQ(w.Show().SequentialIndex(), 1);
  EXPECT_TRUE(w.settings_changed);
}

TEST(ShowLoop, PrefetchTakesNothingBeforeTheStepHappens) {
  ShowWindow s;
  s.AddJpeg("a.jpg");
  const QString x = s.AddJpeg("x.jpg"), y = s.AddJpeg("y.jpg");
  Tdiapo& w = *s.w;
  WriteTextLines(CurrentDirList(), {s.dir.path() + "/2005-08-28 avg", "x.jpg", "y.jpg"});
  w.ShowNextPicture();
  s.ToNextPause();  // the picture arrives from its decode
  EXPECT_EQ(w.Show().CurrentPath(), x);
  // While x is on screen (and y is being decoded) nothing of the next step
  // is written yet.
  EXPECT_EQ(ReadTextLines(CurrentDirList()).value(),
            (QStringList{s.dir.path() + "/2005-08-28 avg", "y.jpg"}));
  EXPECT_EQ(w.Show().SequentialIndex(), 1);
  EXPECT_EQ(s.History().size(), 1);
  s.Next();
  EXPECT_EQ(w.Show().CurrentPath(), y);
  EXPECT_EQ(w.Image2->PictureWidth(), 400);
  EXPECT_EQ(ReadTextLines(CurrentDirList()).value(),
            (QStringList{s.dir.path() + "/2005-08-28 avg"}));
  s.Next();
  // The list is used up: deleted, and the catalogue's choice stands.
  EXPECT_FALSE(QFileInfo::exists(CurrentDirList()));
  EXPECT_EQ(w.Show().SequentialIndex(), 0);
  EXPECT_EQ(s.History().size(), 3);
}

TEST(ShowLoop, RandomGroupsThroughTheWindowUseTheInjectedDraws) {
  ShowWindow s;
  QStringList paths;
  for (int i = 0; i < 10; ++i) paths << s.AddJpeg(QStringLiteral("p%1.jpg").arg(i));
  Tdiapo& w = *s.w;
  w.CheckBox_rnd->setChecked(true);
  w.rayon_rnd = 2;
  w.nb_fouille = 2;
  // Group 1: centre 3, swap (1,2) twice -> offsets 1 2: 3, 4. Group 2:
  // centre 8, swap (2,1) -> 2 1: 8, 9 (8 + 2 clamped).
  s.w.fake.random.draws = {3, 1, 2, 1, 2, 8, 2, 1, 1, 1};
  w.ShowNextPicture();
  s.ToNextPause();  // the picture arrives from its decode
  for (int i = 0; i < 3; ++i) s.Next();
  EXPECT_EQ(s.History(), (QStringList{paths[3], paths[4], paths[8], paths[9]}));
}

TEST(ShowLoop, EffectsPlaceThePictureAndWaitTheirPauses) {
  ShowWindow s;
  s.AddJpeg("a.jpg");
  Tdiapo& w = *s.w;
  // Fit, then fill with _haut 40.
  w.Rdg1->SetItemIndex(2);
  w.dt2_a = 300;
  w.dt2_b = 499;
  w._haut = 40;
  w.ShowNextPicture();
  s.ToNextPause();  // the picture arrives from its decode
  EXPECT_EQ(w.Image2->geometry(), QRect(240, 0, 1440, 1080));
  EXPECT_EQ(w.Show().PendingShowPause(), 300);
  w.Show().AdvanceShow();
  EXPECT_EQ(w.Image2->geometry(), QRect(0, -108, 1920, 1440));
  EXPECT_EQ(w.Show().PendingShowPause(), 400);
  // Fill alone with _haut 0; a duration under 100 waits nothing.
  w.Rdg1->SetItemIndex(1);
  w._haut = 0;
  w.dt1_a = 99;
  w.Show().AdvanceShow();  // end of the pause: the loop's next turn is pending
  w.Show().AdvanceShow();  // the next step: its picture asked for
  while (w.Show().AwaitingPicture()) w.Show().AdvanceShow();  // placed, no pause
  EXPECT_EQ(w.Image2->geometry(), QRect(0, -180, 1920, 1440));
  EXPECT_EQ(w.Show().PendingShowPause(), 0);
  EXPECT_EQ(w.WindowColour(), QColor(Qt::black));
}

TEST(ShowLoop, ZoomFramesThenTheFinalPauseAndAKeyEndsTheZoom) {
  ShowWindow s;
  s.AddJpeg("a.jpg");
  s.AddJpeg("b.jpg");
  Tdiapo& w = *s.w;
  w.Rdg1->SetItemIndex(3);
  w.dt3_a = 100;
  w.dt3_b = 300;
  w.ShowNextPicture();
  s.ToNextPause();  // the picture arrives from its decode
  EXPECT_EQ(w.Show().PendingShowPause(), 100);
  w.Show().AdvanceShow();
  std::vector<int> widths;
  while (w.Show().PendingShowPause() == 0) {
    ASSERT_LT(widths.size(), 10000u) << "the zoom never reached its pause";
    widths.push_back(w.Image2->width());
    EXPECT_TRUE(w.Image2->FastScaling());  // moving frames: nearest pixel
    w.Show().AdvanceShow();
  }
  EXPECT_FALSE(w.Image2->FastScaling());  // the still picture: smooth
  // inc_dx + 1 = 11 frames from 1440 towards 3072 (d = 163.2), then dt3_b.
  ASSERT_EQ(widths.size(), 11u);
  EXPECT_EQ(widths[0], 1440);
  EXPECT_EQ(widths[1], 1440);
  EXPECT_EQ(widths[2], 1603);
  EXPECT_EQ(widths[5], 1440 + 653);    // 652.8
  EXPECT_EQ(widths[10], 1440 + 1469);  // 1468.8, below 3072
  EXPECT_EQ(w.Image2->geometry(), QRect(-494, 0, 2909, 2181));
  EXPECT_EQ(w.Show().PendingShowPause(), 300);

  // The next picture: a key after three frames ends its zoom at once, the
  // final pause follows and the show goes on.
  s.Next();  // next picture placed, dt3_a pending
  w.Show().AdvanceShow();
  w.Show().AdvanceShow();
  w.Show().AdvanceShow();
  const int width = w.Image2->width();
  w.FormKeyUp(65);
  EXPECT_TRUE(w.Show().StopRequested());
  w.Show().AdvanceShow();
  EXPECT_FALSE(w.Show().StopRequested());
  EXPECT_EQ(w.Image2->width(), width);
  EXPECT_EQ(w.Show().PendingShowPause(), 300);
  s.Next();
  EXPECT_EQ(s.History().size(), 3);

  // A widest frame not wider than the fit: no frames, dt3_a then dt3_b.
  w.zoom_max10 = 7;
  EXPECT_EQ(w.Show().PendingShowPause(), 100);
  w.Show().AdvanceShow();
  EXPECT_EQ(w.Show().PendingShowPause(), 300);
  // inc_dx of 0 counts as 1: w0 twice, then wmax ends it.
  w.zoom_max10 = 16;
  w.inc_dx = 0;
  s.Next();
  w.Show().AdvanceShow();
  int frames = 0;
  while (w.Show().PendingShowPause() == 0) {
    ASSERT_LT(frames, 10000) << "the zoom never reached its pause";
    ++frames;
    w.Show().AdvanceShow();
  }
  EXPECT_EQ(frames, 2);
}

TEST(ShowLoop, AnotherKeyStopsTheRunAfterThePause) {
  ShowWindow s;
  s.AddJpeg("a.jpg");
  s.AddJpeg("b.jpg");
  Tdiapo& w = *s.w;
  w.Label_an->setText("2005-08");
  w.ShowNextPicture();
  s.ToNextPause();  // the picture arrives from its decode
  EXPECT_TRUE(w.ShowRunActive());
  w.FormKeyUp(65);
  EXPECT_EQ(w.Show().LastKey(), 65);
  EXPECT_EQ(w.Show().PendingShowPause(), 200);  // the pause goes on
  s.Next();
  EXPECT_FALSE(w.ShowRunActive());
  EXPECT_EQ(w.Show().PendingShowPause(), -1);
  EXPECT_EQ(s.History().size(), 1);
  // The first run's end completes the window's creation.
  EXPECT_TRUE(w.Label_an->text().isEmpty());
  // Right starts a new run: a new picture at once.
  w.FormKeyUp(39);
  EXPECT_TRUE(w.ShowRunActive());
  EXPECT_EQ(s.History().size(), 2);
}

TEST(ShowLoop, BadPicturesRedScreenKeptPictureErrorBoxAndMissingFile) {
  ShowWindow s;
  const QString good = s.AddJpeg("a.jpg");
  s.Add("text.jpg", "Ceci n'est pas une image.\r\n");
  s.Add("film.gif", "not read at all");
  s.Add("broken.bmp", QByteArray("BM\x10\0\0\0garbage", 13));
  Tdiapo& w = *s.w;
  w.Show().SetSequentialIndex(3);
  w.ShowNextPicture();
  s.ToNextPause();  // the picture arrives from its decode
  EXPECT_EQ(w.Show().CurrentPath(), good);
  s.Next();
  // Undecodable: red for 2 s, events still flowing.
  EXPECT_EQ(w.WindowColour(), QColor(255, 0, 0));
  EXPECT_EQ(w.Image2->PictureWidth(), 0);
  EXPECT_EQ(w.Show().PendingShowPause(), 2000);
  s.Next();
  // Another extension keeps the previous picture (here the empty one); a
  // picture of width 0 again.
  EXPECT_EQ(w.Show().CurrentPath(), s.dir.path() + "/2005-08-28 avg/film.gif");
  EXPECT_EQ(w.Show().PendingShowPause(), 2000);
  // The rejected bitmap: the error box, and the run ends there.
  s.Next();
  ASSERT_EQ(s.w.fake.dialogs.errors.size(), 1);
  EXPECT_TRUE(s.w.fake.dialogs.errors[0].endsWith("broken.bmp"));
  EXPECT_FALSE(w.ShowRunActive());
  // The show goes on at the next key.
  w.FormKeyUp(39);
  s.ToNextPause();
  EXPECT_EQ(w.Show().CurrentPath(), good);
  EXPECT_EQ(w.WindowColour(), QColor(Qt::black));
  EXPECT_EQ(w.Image2->PictureWidth(), 400);
  // A .gif after a picture keeps it, laid out again.
  s.Next();
  s.Next();
  EXPECT_EQ(w.Show().CurrentPath(), s.dir.path() + "/2005-08-28 avg/film.gif");
  EXPECT_EQ(w.Image2->PictureWidth(), 0);
}

TEST(ShowLoop, MissingFileResetsTheCatalogueAndQuits) {
  ShowWindow s;
  const QString a = s.AddJpeg("a.jpg");
  Tdiapo& w = *s.w;
  CreateEmptyFile(DataFile(QString::fromLatin1(files::kResetMarker)));
  QFile::remove(a);
  EXPECT_THROW(w.ShowNextPicture(), ProcessEnded);
  EXPECT_EQ(s.w.fake.exit.codes, std::vector<int>{1});
  EXPECT_TRUE(w.rebuild_requested);
  EXPECT_FALSE(QFileInfo::exists(DataFile(QString::fromLatin1(files::kResetMarker))));
  // While Space is handled the quit returns: then the message.
  ShowWindow t;
  t.w->Show().KeyReleased(32);
  t.w->LoadPicture(t.dir.path() + "/gone.jpg");
  ASSERT_EQ(t.w.fake.dialogs.notices.size(), 1);
  EXPECT_EQ(t.w.fake.dialogs.notices[0],
            "fichier " + t.dir.path() + "/gone.jpg inexistant, réinitialisation de l'index...");
  EXPECT_TRUE(t.w.fake.exit.codes.empty());
}

TEST(ShowLoop, DateLabelAndFilterIndicator) {
  ShowWindow s;
  s.AddJpeg("a.jpg");
  Tdiapo& w = *s.w;
  w.CheckBox_af_an->setChecked(true);
  w.CheckBox_contient->setChecked(true);
  w.Edit_contient->setText("divers avignon");
  w.ShowNextPicture();
  s.ToNextPause();  // the picture arrives from its decode
  EXPECT_EQ(w.Label_an->text(), "2005-08");
  EXPECT_EQ(w.Label_an->geometry().right(), 1919);
  EXPECT_EQ(w.Label_an->y(), 0);
  EXPECT_TRUE(w.Label_mois->isHidden());
  EXPECT_EQ(w.Label_options->text(), "=>divers avignon");
  EXPECT_FALSE(w.Label_options->isHidden());
  EXPECT_EQ(w.Label_options->geometry().right(), w.width() - 1);
  EXPECT_EQ(w.Label_options->y(), 30);
  w.CheckBox_contient->setChecked(false);
  w.FormKeyUp(39);
  EXPECT_TRUE(w.Label_options->isHidden());
  // The date filter's check boxes ask for a rebuild.
  w.settings_changed = false;
  w.CheckBox_date_de->setChecked(true);
  EXPECT_TRUE(w.settings_changed);
}

TEST(ShowLoop, EveryFormatShowsUprightAtItsSize) {
  ShowWindow s;
  Tdiapo& w = *s.w;
  const QImage src = QuadrantImage(400, 300);
  s.Add("a.jpg", OrientedJpeg(src, 6));
  s.Add("b.png", PngWithExif(src, 6));
  s.Add("c.webp", WebpWithExif(src, 6));
  s.Add("d.tiff", TiffWithOrientation(src, 6));
  s.Add("e.heic", HeifFile(src, false, 6, 6));
  s.Add("f.avif", HeifFile(src, true, 6));
  s.Add("g.bmp", Encode(src.transformed(QTransform().rotate(90)), "bmp"));
  s.Add("h.jpg", PngWithExif(src, 6));
  w.ShowNextPicture();
  s.ToNextPause();
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE(w.Show().CurrentPath().toStdString());
    EXPECT_EQ(w.WindowColour(), QColor(Qt::black));
    EXPECT_EQ(w.Image2->PictureWidth(), 300);
    EXPECT_EQ(w.Image2->PictureHeight(), 400);
    EXPECT_EQ(w.Image2->geometry(), QRect(555, 0, 810, 1080));
    // Upright: the stored bottom left (blue) at the top left, red top right.
    const QImage& p = w.Image2->Picture();
    ASSERT_FALSE(p.isNull());
    EXPECT_GT(qBlue(p.pixel(5, 5)), 200);
    EXPECT_GT(qRed(p.pixel(p.width() - 6, 5)), 200);
    EXPECT_LT(qBlue(p.pixel(p.width() - 6, 5)), 60);
    s.Next();
  }
}

TEST(ShowLoop, ADecodeThatTakesTooLongIsGivenUpWhileKeysKeepWorking) {
  ShowWindow s;
  const QString a = s.AddJpeg("a.jpg"), b = s.AddJpeg("b.jpg");
  Tdiapo& w = *s.w;
  // b's decode (the first picture) does not end until released.
  auto gate = DecodeGate::Make();
  w.Show().SetDecoder(DecodeGate::Wrap(
      gate, [](const QString& path) { return path.endsWith("b.jpg"); }, DecodePictureFile));
  w.Show().picture_time_limit_ms = 600;
  QElapsedTimer t;
  t.start();
  w.ShowNextPicture();
  // The window's thread is back at once; the picture is awaited.
  EXPECT_LT(t.elapsed(), 500);
  EXPECT_EQ(w.Show().PendingShowPause(), 0);
  s.ToNextPause();
  // Given up: undecodable, the red screen, and the show goes on with a,
  // decoded while b's decode is still stuck.
  EXPECT_GE(t.elapsed(), 600);
  EXPECT_EQ(w.WindowColour(), QColor(255, 0, 0));
  EXPECT_EQ(w.Show().PendingShowPause(), 2000);
  s.Next();
  EXPECT_EQ(w.Show().CurrentPath(), a);
  EXPECT_EQ(w.Image2->PictureWidth(), 400);
  // b again, stuck again: Esc quits while the window waits for it.
  s.w->Show().AdvanceShow();
  s.w->Show().AdvanceShow();
  EXPECT_EQ(w.Show().CurrentPath(), b);
  EXPECT_EQ(w.Show().PendingShowPause(), 0);
  EXPECT_THROW(w.FormKeyUp(27), ProcessEnded);
  EXPECT_EQ(s.w.fake.exit.codes, std::vector<int>{1});
  gate->Open();
}
