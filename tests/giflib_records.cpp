#include "tests/giflib_records.h"

#include <gif_lib.h>
#include <string.h>

#include <algorithm>

namespace {

struct MemoryReader {
    const Bytes* bytes;
    size_t at;
};

int readFromMemory(GifFileType* file, GifByteType* out, int count) {
    MemoryReader* reader = (MemoryReader*)file->UserData;
    size_t n = std::min((size_t)count, reader->bytes->size() - reader->at);
    memcpy(out, reader->bytes->data() + reader->at, n);
    reader->at += n;
    return (int)n;
}

Colours coloursOf(const ColorMapObject* map) {
    Colours colours;
    for (int k = 0; map && k < map->ColorCount; ++k) {
        const GifColorType& c = map->Colors[k];
        colours.push_back(((uint32_t)c.Red << 16) | ((uint32_t)c.Green << 8) | c.Blue);
    }
    return colours;
}

// The stop after a failed call: for want of data when giflib has read
// everything, otherwise the kind the caller names.
void stopAt(GiflibRead* read, GifFileType* file, const MemoryReader& reader, GiflibStop withDataLeft) {
    read->error = file->Error;
    read->stopOffset = reader.at;
    read->stop = reader.at >= reader.bytes->size() ? giflibDataEnded : withDataLeft;
}

// The label, then sub-blocks up to the terminator. An empty extension (its
// first length byte 0) ends at that byte: giflib hands back no data for it,
// and DGifSlurp, which then asks for one more sub-block, misreads it.
bool readExtension(GifFileType* file, const MemoryReader& reader, GiflibBlock* block) {
    int label = 0;
    GifByteType* data = nullptr;
    block->isImage = false;
    block->extension.complete = false;
    if (DGifGetExtension(file, &label, &data) == GIF_ERROR) return false;
    block->extension.label = (uint8_t)label;
    while (data) {
        block->extension.subBlocks.push_back(Bytes(data + 1, data + 1 + data[0]));
        block->extension.ends.push_back(reader.at);
        if (DGifGetExtensionNext(file, &data) == GIF_ERROR) return false;
    }
    block->extension.complete = true;
    return true;
}

// giflib hands out rows in the order the file holds them; an interlaced
// image's rows go to their places by its four passes.
std::vector<uint32_t> rowOrder(uint32_t height, bool interlaced) {
    std::vector<uint32_t> rows;
    static const uint32_t first[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < (interlaced ? 4 : 1); ++pass) {
        for (uint32_t row = interlaced ? first[pass] : 0; row < height; row += interlaced ? step[pass] : 1) {
            rows.push_back(row);
        }
    }
    return rows;
}

// The descriptor, the local table and every row. A side of 0 has no rows
// to ask for; the image stays incomplete and the read stops there.
bool readImage(GifFileType* file, const MemoryReader& reader, GiflibBlock* block, uint64_t maxPixels, bool* tooLarge) {
    GiflibImage& image = block->image;
    block->isImage = true;
    image.complete = false;
    const size_t start = reader.at;
    const bool described = DGifGetImageDesc(file) == GIF_OK;
    image.descriptorEnd = start + 9;
    const GifImageDesc& d = file->Image;
    image.left = (uint32_t)d.Left;
    image.top = (uint32_t)d.Top;
    image.width = (uint32_t)d.Width;
    image.height = (uint32_t)d.Height;
    image.interlaced = d.Interlace;
    image.localTable = d.ColorMap != nullptr;
    image.localColours = coloursOf(d.ColorMap);
    if (!described || image.width == 0 || image.height == 0) return false;
    if ((uint64_t)image.width * image.height > maxPixels) {
        *tooLarge = true;
        return false;
    }
    std::vector<uint8_t> indices((size_t)image.width * image.height);
    for (uint32_t row : rowOrder(image.height, image.interlaced)) {
        if (DGifGetLine(file, indices.data() + (size_t)row * image.width, (int)image.width) == GIF_ERROR) return false;
    }
    image.indices.swap(indices);
    image.complete = true;
    return true;
}

}  // namespace

GiflibRead readGiflibRecords(const Bytes& gif, uint64_t maxPixels) {
    GiflibRead read = {};
    MemoryReader reader = {&gif, 0};
    int error = 0;
    GifFileType* file = DGifOpen(&reader, readFromMemory, &error);
    if (!file) {
        read.stop = giflibNotOpened;
        read.error = error;
        read.stopOffset = reader.at;
        return read;
    }
    read.width = (uint32_t)file->SWidth;
    read.height = (uint32_t)file->SHeight;
    read.backgroundIndex = (uint32_t)file->SBackGroundColor;
    read.globalTable = file->SColorMap != nullptr;
    read.globalColours = coloursOf(file->SColorMap);
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(file, &type) == GIF_ERROR) {
            stopAt(&read, file, reader, giflibWrongRecord);
            break;
        }
        if (type == TERMINATE_RECORD_TYPE) {
            read.stop = giflibTrailer;
            read.stopOffset = reader.at;
            break;
        }
        read.blocks.push_back(GiflibBlock());
        GiflibBlock* block = &read.blocks.back();
        bool tooLarge = false;
        const bool ok = type == EXTENSION_RECORD_TYPE ? readExtension(file, reader, block)
                                                      : readImage(file, reader, block, maxPixels, &tooLarge);
        if (!ok) {
            stopAt(&read, file, reader, giflibImageError);
            if (tooLarge) read.stop = giflibTooLarge;
            break;
        }
    }
    DGifCloseFile(file, &error);
    return read;
}

std::vector<const GiflibImage*> giflibImages(const GiflibRead& read) {
    std::vector<const GiflibImage*> images;
    for (const GiflibBlock& block : read.blocks) {
        if (block.isImage) images.push_back(&block.image);
    }
    return images;
}
