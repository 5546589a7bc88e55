#pragma once
// Metafile pictures (enhanced and the older Windows kind) made into images
// through the libraries made for the formats.
#include <QByteArray>
#include <QImage>

enum class TrpMetafileKind { Unknown, Enhanced, Windows };

// The kind by the bytes: an enhanced metafile's header record, or a Windows
// metafile with or without its placeable header.
TrpMetafileKind rpMetafileKind(const QByteArray &bytes);

// The picture at its own size in pixels (96 per inch); a null image when the
// bytes are no metafile the libraries can play.
QImage rpRenderMetafile(const QByteArray &bytes);
