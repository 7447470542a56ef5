#pragma once

// Pictures for the tests that run real encoders and renderers: PNM files written and read, the
// Debian encoders, pages rendered with three PDF renderers, and PSNR.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace folionix::test {

// An 8-bit picture: RGB from ReadPnm (grey spread to three channels), or CMYK from ReadPam.
struct Picture {
    int width = 0;
    int height = 0;
    int channels = 3;
    std::vector<std::uint8_t> samples;
};

// Reads a picture (P5 or P6, any file ImageMagick reads) as 8-bit RGB; false when it cannot.
bool ReadPnm(const std::string& path, Picture& picture);
// Reads a CMYK picture (a PAM file, a TIFF) as 8-bit CMYK.
bool ReadPam(const std::string& path, Picture& picture);

// Writes a P6 (or P5 when grey, 16-bit when asked) picture with ramps that differ along both axes
// and a dark top-left quarter, so that a wrong turn or mirror is plain.
void WritePicture(const std::string& path, int width, int height, bool grey, bool sixteenBit);

// cjpeg or opj_compress from a PNM file to the output, with the options; false when it fails.
bool Cjpeg(const std::string& pnm, const std::string& output, const std::string& options = "");
bool OpjCompress(const std::string& pnm, const std::string& output,
                 const std::string& options = "");

// Peak signal-to-noise ratio in dB; 99 for identical pictures, -1 when the shapes differ.
double Psnr(const Picture& a, const Picture& b);

// Page 1 of the PDF at the resolution, as RGB, by "pdftoppm", "mutool" and "gs". A renderer that
// fails is missing from the result.
std::map<std::string, Picture> RenderWithAll(const std::string& pdfPath, double dpi,
                                             const std::string& workFolder);
// The same in CMYK (pdftoppm through a TIFF, mutool and Ghostscript to PAM), for CMYK images:
// comparing there leaves out each renderer's CMYK-to-RGB conversion.
std::map<std::string, Picture> RenderCmykWithAll(const std::string& pdfPath, double dpi,
                                                 const std::string& workFolder);

} // namespace folionix::test
