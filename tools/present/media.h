// Gaiji maps, and what pictures, glyphs and sound become for a person: PNG and WAV.
#ifndef TOMESHELF_TOOLS_PRESENT_MEDIA_H_
#define TOMESHELF_TOOLS_PRESENT_MEDIA_H_

#include <cstdint>
#include <string>
#include <vector>

#include "present/document.h"

namespace tomeshelf::present {

// Reads a gaiji map: lines "hA121<TAB>u00E0" (h half-width, z full-width; several code
// points as "u0061,u0301"; "#" starts a comment). Good lines are added to map (a later
// line wins); each malformed line is described in problems as "NAME:LINE: what".
void ReadGaijiMap(const std::string& text, const std::string& name, GaijiMap& map,
                  std::vector<std::string>& problems);

// Where maps for a book are looked for, in order (later ones win): beside the disc
// (ROOT/BOOKDIR.map, then ROOT/gaiji/BOOKDIR.map) and in the user's directory
// ($TOMESHELF_GAIJI_DIR, else $XDG_CONFIG_HOME/tomeshelf/gaiji or ~/.config/tomeshelf/gaiji,
// then BOOKDIR.map there). Names are matched as given and lower-cased.
std::vector<std::string> GaijiMapPaths(const std::string& discRoot, const std::string& bookDir);

// ReadGaijiMap on a file; false when it cannot be read.
bool ReadGaijiMapFile(const std::string& path, GaijiMap& map, std::vector<std::string>& problems);
// Every map GaijiMapPaths finds for the book at bookPath (as the catalog names it).
void ReadBookGaijiMaps(const std::string& discRoot, const std::string& bookPath, GaijiMap& map,
                       std::vector<std::string>& problems);

// A 1-bit image as PNG: rows of stride bytes, most significant bit leftmost; ink is the bit
// value that is drawn black. transparentPaper makes the paper transparent. Empty when the
// image is empty or larger than 8192 pixels a side.
std::vector<uint8_t> EncodeBitsPng(int32_t width, int32_t height, int32_t stride,
                                   const uint8_t* bits, size_t bitBytes, bool inkIsOne,
                                   bool transparentPaper);

// Raw sound of a book as a WAV file. Data that is a RIFF file already is kept. Otherwise
// the format's first digit picks the channels (odd: stereo) and its second the sample size
// (odd: 8-bit, else 16-bit little-endian); the rate is 44100 Hz.
std::vector<uint8_t> WavFromSound(const std::vector<uint8_t>& data, const std::string& format);

// The MIME type of a stored colour picture by its first bytes.
std::string PictureMime(const std::vector<uint8_t>& data);

}  // namespace tomeshelf::present

#endif  // TOMESHELF_TOOLS_PRESENT_MEDIA_H_
