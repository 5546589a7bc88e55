#pragma once
// Cutting-map files: the binary ".map" layout (magic "KV_MAP", a fixed header
// and tagged fixed-size records), the older INI layout that is still read,
// and the INI export for other programs. All of them read or write a
// MapDocument, never the map controls.
#include "data/maps/mapdoc.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <vector>

namespace kv {

// Results of reading a binary map file.
enum MapLoadResult : int { mlrLoaded = 0, mlrNotMapFile = 1, mlrReadError = 2 };

// Sizes of the binary layout.
inline constexpr int kMapHeaderSize = 318;
inline constexpr int kMapSheetRecordSize = 310;
inline constexpr int kMapPartRecordSize = 149;
inline constexpr int kMapScrapRecordSize = 117;
inline constexpr int kMapCutRecordSize = 18;
inline constexpr int kMapUsingSheetRecordSize = 63;

// The bytes of the binary layout. A value that does not fit its field (a text
// longer than its record holds, a size beyond the integer width) raises
// kv::Error naming it; nothing is cut short or wrapped.
QByteArray EncodeMapFile(const MapDocument &doc);
// Writes the binary layout through a temporary file and a rename, so a
// failure leaves an existing file as it was. Raises kv::Error.
void SaveMapsToFile(const MapDocument &doc, const QString &path);

// Whether bytes from the start of a file begin as the binary layout (its
// magic, or a file cut inside the magic). Such a file is never read as the
// older INI layout: a header cut short is a read error.
bool StartsAsMapFile(const QByteArray &head);

// Reads the binary layout. On mlrLoaded `doc` takes the maps, the display
// settings, the used standard sheets and the run's material codes (its file
// name and modified flag are the caller's). On any other result `doc` is left
// as it was; `why` gets the reason of a read error.
MapLoadResult DecodeMapFile(const QByteArray &bytes, MapDocument &doc, QString *why = nullptr);
MapLoadResult LoadMapsFromFile(const QString &path, MapDocument &doc, QString *why = nullptr);

// The older INI layout, read without writing into the file. Raises kv::Error;
// `doc` is then unchanged. The caller recolours and reclassifies.
void LoadIniMaps(const QString &path, MapDocument &doc);
// Material codes of the older layout's sheets, each once, in file order.
std::vector<int32_t> ReadMapsMaterials(const QString &path);

// The INI export: one section per tab. Written through a temporary file and
// a rename. Raises kv::Error.
QByteArray ExportMapsToIniBytes(const MapDocument &doc, const std::function<QString(int32_t)> &materialName);
void ExportMapsToIni(const MapDocument &doc, const QString &path, const std::function<QString(int32_t)> &materialName);

// The open command's message for a file that could not be read.
QString MapOpenErrorMessage(const QString &path);

} // namespace kv
