#pragma once
// The program's icon, drawn by our own code: a sheet cut into parts by
// guillotine cuts, with a usable off-cut. The window icon and the icon
// files of the desktop installation are the same picture.
#include <QIcon>
#include <QImage>

namespace kv {

// The picture at `size` × `size` pixels, transparent around the sheet.
QImage KorvaltIconImage(int size);
// Every installed size in one icon, for the windows.
QIcon KorvaltIcon();
// The sizes installed into the desktop's icon theme.
inline constexpr int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

} // namespace kv
