// The one GIF writer: test files, the demo animation and the end-to-end
// tests' files are all written with it, byte by byte.
//
// Every block of the format has its own put function, so a test can build a
// file that is exactly as broken as it wants: wrong sizes, odd sub-block
// splits, missing terminators, codes that name no entry. The LZW side comes in
// two layers: packCodes turns an explicit list of codes into bytes, growing
// the code size by the same rule the decoder uses; encodeIndices is a plain
// encoder that is valid by construction (literal codes only), and
// compressIndices one that compresses, for files that must stay small.
//
// Colours are pixel values 0x00RRGGBB, as in the decoder's rasters.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

typedef std::vector<uint8_t> Bytes;
typedef std::vector<uint32_t> Codes;
typedef std::vector<uint32_t> Colours;

// "GIF89a" unless a test wants another signature.
void putHeader(Bytes* gif, const char* signature = "GIF89a");

// Logical screen descriptor: width, height, packed, background index, aspect.
void putScreen(Bytes* gif, uint16_t width, uint16_t height, uint8_t packed = 0, uint8_t backgroundIndex = 0);

// The packed-byte bits of a colour table of 2^(sizeBits + 1) entries, with the
// "table present" flag: for the screen descriptor and the image descriptor.
uint8_t colourTableFlags(uint32_t sizeBits);

// Exactly 2^(sizeBits + 1) RGB triples; missing colours are written as black.
void putColourTable(Bytes* gif, const Colours& colours, uint32_t sizeBits);

// The smallest sizeBits whose table holds count entries (count 0..256).
uint32_t tableSizeBits(uint32_t count);

// Header "GIF89a", screen descriptor and, when colours is not empty, a
// global table just large enough to hold them.
void beginGif(Bytes* gif, uint16_t width, uint16_t height, const Colours& colours, uint8_t backgroundIndex = 0);

// Any extension: 0x21, the label, each sub-block as it stands (1 to 255
// bytes; an empty one would read as the terminator), the terminator.
void putExtension(Bytes* gif, uint8_t label, const std::vector<Bytes>& subBlocks);

// Graphic control extension. transparentIndex < 0: no transparent colour.
struct GraphicControl {
    uint32_t disposal;
    uint16_t delayCs;
    int32_t transparentIndex;
};
void putGraphicControl(Bytes* gif, const GraphicControl& control);

// Its 4 bytes of control data (packed, delay low and high, transparent
// index), for blocks of other shapes built with putExtension.
Bytes graphicControlData(const GraphicControl& control);

// Data sub-blocks: splits gives the sizes of the first sub-blocks (each 1 to
// 255), the rest of data follows in sub-blocks of 255. The block terminator
// is written unless terminate is false.
void putSubBlocks(Bytes* gif, const Bytes& data, const std::vector<size_t>& splits = {}, bool terminate = true);

// Comment extension; each string becomes one sub-block.
void putComment(Bytes* gif, const std::vector<std::string>& subBlocks);

// Application extension with the usual 11-byte header (an 8-byte
// identifier and a 3-byte authentication code), and the given sub-blocks as
// they stand. Headers of other sizes: putExtension(gif, 0xFF, ...).
void putApplication(Bytes* gif, const char* identifier, const char* authentication,
                    const std::vector<Bytes>& subBlocks);

// NETSCAPE2.0 with the loop sub-block {1, lo, hi}.
void putNetscapeLoop(Bytes* gif, uint16_t loops);

// Plain text extension: a 12-byte header sub-block, then the text.
void putPlainText(Bytes* gif, const std::string& text);

// Image descriptor. localTableBits < 0: no local table flag.
struct ImageDescriptor {
    uint16_t left;
    uint16_t top;
    uint16_t width;
    uint16_t height;
    bool interlaced;
    int32_t localTableBits;
};
void putImageDescriptor(Bytes* gif, const ImageDescriptor& descriptor);

// Minimum code size byte plus the packed codes in sub-blocks.
void putImageData(Bytes* gif, uint32_t minCodeSize, const Codes& codes, const std::vector<size_t>& splits = {});

void putTrailer(Bytes* gif);

// Packs codes least significant bit first. The code size starts at
// minCodeSize + 1 and follows the decoder's rule: after each code other than
// clear, end and the first code of a run (at the start or behind a clear) an
// entry is made, unless the table is full at 4095; when the entry just made
// is 2^size - 1 and size is below 12, the next code is one bit wider. A clear
// code returns to minCodeSize + 1. (With minCodeSize 1 the first entry is
// already past 3, so the size never grows.)
Bytes packCodes(uint32_t minCodeSize, const Codes& codes);

// The code size, in bits, that packCodes uses for each code.
std::vector<uint32_t> codeSizes(uint32_t minCodeSize, const Codes& codes);

// Literal codes for indices, a clear code first and the end code last. With
// clearOften a clear code comes often enough that the code size never
// grows (what every decoder reads alike); with clearNever there is no
// further clear, so the size grows to 12 bits and the table fills.
// compressed, for putFrame only, asks for compressIndices instead.
enum { clearOften = 0, clearNever = 1, compressed = 2 };
Codes encodeIndices(uint32_t minCodeSize, const std::vector<uint8_t>& indices, int clearMode = clearOften);

// A plain compressing encoder, as real encoders write: the longest known
// string each time, a clear code first and whenever the table is full.
// Indices must be below 2^minCodeSize; indices must not be empty.
Codes compressIndices(uint32_t minCodeSize, const std::vector<uint8_t>& indices);

// The rows of a width x height image in the order an interlaced image sends
// them (passes from rows 0, 4, 2, 1 with steps 8, 8, 4, 2).
std::vector<uint8_t> interlaceRows(const std::vector<uint8_t>& indices, uint32_t width, uint32_t height);

// One whole frame from its indices: an optional graphic control, the
// descriptor, the local table when localColours is not empty, and the data.
// Fields a test does not set are 0: no control, no local table, not
// interlaced, clearOften.
struct FrameRecipe {
    uint16_t left;
    uint16_t top;
    uint16_t width;
    uint16_t height;
    std::vector<uint8_t> indices;  // width * height, rows top-down
    bool hasControl;
    GraphicControl control;
    Colours localColours;
    bool interlaced;
    int clearMode;
};
void putFrame(Bytes* gif, const FrameRecipe& frame);

// A frame at (left, top) with no control and no local table.
FrameRecipe frameAt(uint16_t left, uint16_t top, uint16_t width, uint16_t height, const std::vector<uint8_t>& indices);

// The minimum code size an encoder picks for indices below 2^bits.
uint32_t minCodeSizeFor(const std::vector<uint8_t>& indices);
