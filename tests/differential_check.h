// Decodes one GIF with the player and with the giflib reference and reports
// the first difference (reference_difference.h): header, frame records, each
// frame's own raster, and each composed picture.
#pragma once

#include <string>

#include "tools/gif_writer.h"

// The window background used for the composed pictures.
const uint32_t differentialBackground = 0xABABAB;

void expectSameAsGiflib(const std::string& name, const Bytes& gif);

// The same for a file giflib cannot read as the player does (cut short, or
// holding a block giflib misreads): the player's load of gif must end with
// wantResult and show what giflib shows for giflibReads.
void expectLoadLikeGiflib(const std::string& name, const Bytes& gif, const Bytes& giflibReads, int wantResult);
