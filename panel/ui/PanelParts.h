#pragma once

// The pieces the panels are made of: their colours, their font, and the
// helpers that create a named control at its place and style it. Shared by
// the files that build the panels.
#include <QColor>
#include <QFrame>
#include <QPalette>
#include <QRect>
#include <QString>
#include <type_traits>
#include <utility>

namespace ld::panel_parts {

inline const QColor kMaroon(128, 0, 0);
inline const QColor kBlue(0, 0, 255);
inline const QColor kRed(255, 0, 0);
inline const QColor kFuchsia(255, 0, 255);
inline const QColor kGreen(0, 128, 0);
inline const QColor kYellow(255, 255, 0);

// Characters of the panels, in pixels: the size the panel geometry was
// drawn for, whatever the desktop's point size and resolution are.
inline constexpr int kPanelFontPixels = 11;

// Creates a control of type T as a child of parent, named and placed.
// The constructor arguments come first and the parent last, as every Qt
// widget takes them.
template <class T, class... Args>
T* Create(const char* name, QWidget* parent, const QRect& place, Args&&... args) {
  T* w = new T(std::forward<Args>(args)..., parent);
  w->setObjectName(QString::fromLatin1(name));
  w->setGeometry(place);
  return w;
}

// member = a new control of the member's type, named after the member.
#define LD_MAKE(member, parent, place, ...)                                     \
  c.member = Create<std::remove_pointer_t<decltype(c.member)>>(#member, parent, \
                                                               place __VA_OPT__(, ) __VA_ARGS__)

// The application's palette with every colour set explicitly, so that a
// panel does not take the black or white of the window it lies on.
QPalette SystemPalette();
QColor ButtonFace();
// A panel: raised frame, button-face background painted over the picture.
QFrame* MakePanel(const char* name, QWidget* parent, const QRect& place);
void SetTextColour(QWidget* w, const QColor& c);
void SetBold(QWidget* w);
// Shrinks the font of a control whose width the layouts fix until its
// caption fits (the top row's buttons share their places in both forms).
void FitCaption(QWidget* w, const QString& caption, int margin);

}  // namespace ld::panel_parts
