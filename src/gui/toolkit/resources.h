#pragma once
// The program's resources by their numeric ids: icons (":/icons/<id>-<size>.png", drawn
// from res/icons/<id>.svg when the program is built),
// strings (":/strings.json").

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QString>

namespace taruk {

// Makes the resources compiled into the static GUI library available; the
// look-ups below call it, so only code that opens a resource path itself
// needs to.
void EnsureResources();

// The icon with this resource id; a null icon when there is none.
QIcon ResourceIcon(int iconId);
// The icon `pixels` wide, whatever the screen; a null image when there is none.
QImage ResourceIconImage(int iconId, int pixels);
// The icon shown `size` pixels wide on the screen (more pixels on a high
// density screen); a null pixmap when there is none.
QPixmap ResourceIconPixmap(int iconId, int size);
// The string with this resource id; empty when there is none.
QString ResourceString(int stringId);

}  // namespace taruk
