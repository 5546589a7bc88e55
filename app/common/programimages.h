#pragma once
// The program's image list: the toolbar's glyphs and the navigators'
// pictures, 16 x 16, each at its fixed number. Built once from the
// pictures compiled into the program.
namespace kv {

class ImageList;

// Numbers of the pictures the windows use.
namespace img {
inline constexpr int NewGroup = 0;
inline constexpr int OpenGroup = 1;
inline constexpr int SaveGroup = 2;
inline constexpr int PageParam = 3;
inline constexpr int PrinterSetup = 4;
inline constexpr int Exit = 7;
inline constexpr int WareHouse = 26;
inline constexpr int AllMaterials = 30;
inline constexpr int MaterialOn = 48;
inline constexpr int MaterialOff = 49;
inline constexpr int Material = 53;
inline constexpr int Models = 55;
inline constexpr int ModelSection = 67;
} // namespace img

// The one list every window shares; numbers without a picture are empty.
ImageList &ProgramImages();

} // namespace kv
