// The pictures DTPSkarvo draws beside its items, kept as plain pixels so
// that painting an item does not go through the image list every time. Each
// picture is drawn once by the image list (or in the system's disabled look)
// onto black and onto white; where every pixel comes out either as the
// background or as one fixed colour, the picture is kept as a mask and its
// colours and from then on drawn with two raster operations, which give the
// same pixels. A picture with partly transparent pixels is not kept and is
// drawn the long way each time. Before every use the image list's pixels,
// its background colour and the destination's text colours are compared
// with those the kept picture was made from, so a changed list is never
// drawn from an old copy.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <map>
#include <tuple>
#include <vector>

namespace skarvo {

class ListImageCache {
public:
    enum class Look { kPlain, kDisabled };

    ListImageCache() = default;
    ListImageCache(const ListImageCache&) = delete;
    ListImageCache& operator=(const ListImageCache&) = delete;

    // Draws image `index` of `list` with its top-left corner at (x, y):
    // kPlain as mDeclares::DrawListImage draws it (transparent, neither
    // selected nor focused), kDisabled as mDeclares::DrawListImageDisabled
    // draws it, `size` x `size` pixels.
    void Draw(HDC dc, HIMAGELIST list, int index, int x, int y, Look look, int size);

    // Forgets every kept picture (a new image list, changed system colours).
    void Clear() { pictures_.clear(); }

private:
    struct Picture {
        std::vector<uint32_t> source;  // what the picture was made from
        bool kept = false;             // false: drawn the long way
        bool opaque = false;           // no transparent pixel: one copy suffices
        int width = 0, height = 0;
        std::vector<uint32_t> mask;    // white where the background shows, else black
        std::vector<uint32_t> colours; // the picture's colours, black where the background shows
    };
    // A picture per destination text colours as well: the selected and the
    // plain items of a menu draw in different ones.
    using Key = std::tuple<HIMAGELIST, int, Look, int, COLORREF, COLORREF>;

    // The pixels and settings the drawing depends on; empty when they cannot
    // be read.
    static std::vector<uint32_t> Source(HDC dc, HIMAGELIST list, int index, Look look, int size, int& width,
                                        int& height);
    static void DrawDirect(HDC dc, HIMAGELIST list, int index, int x, int y, Look look, int size);
    static Picture Make(HDC dc, HIMAGELIST list, int index, Look look, int size, std::vector<uint32_t> source,
                        int width, int height);

    std::map<Key, Picture> pictures_;
};

}  // namespace skarvo
