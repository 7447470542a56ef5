#include "support/Pictures.h"

#include "support/TestSupport.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace folionix::test {

namespace {

std::string NumberText(double value) {
    char buffer[64];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

// The next header token of a netpbm file, past blanks and comments.
std::string NextToken(const std::vector<std::uint8_t>& bytes, std::size_t& at) {
    std::string token;
    for (; at < bytes.size(); ++at) {
        const char c = static_cast<char>(bytes[at]);
        if (c == '#') {
            while (at < bytes.size() && bytes[at] != '\n') {
                ++at;
            }
        } else if (c == ' ' || c == '\n' || c == '\r' || c == '\t') {
            if (!token.empty()) {
                break;
            }
        } else {
            token.push_back(c);
        }
    }
    return token;
}

// P5, P6 (spread to RGB, scaled to 8 bits) or P7 (as it is, 8 bits only).
bool ReadNetpbm(const std::string& path, Picture& picture, bool pam) {
    const std::vector<std::uint8_t> bytes = ReadBytes(path);
    std::size_t at = 0;
    const std::string magic = NextToken(bytes, at);
    int maxval = 0;
    std::size_t channels = magic == "P6" ? 3 : 1;
    if (pam && magic == "P7") {
        for (std::string key = NextToken(bytes, at); !key.empty() && key != "ENDHDR";
             key = NextToken(bytes, at)) {
            const std::string value = NextToken(bytes, at);
            int& field = key == "WIDTH"    ? picture.width
                         : key == "HEIGHT" ? picture.height
                         : key == "DEPTH"  ? picture.channels
                                           : maxval;
            field = key == "TUPLTYPE" ? field : std::atoi(value.c_str());
        }
        channels = static_cast<std::size_t>(picture.channels);
    } else if (!pam && (magic == "P5" || magic == "P6")) {
        picture.width = std::atoi(NextToken(bytes, at).c_str());
        picture.height = std::atoi(NextToken(bytes, at).c_str());
        maxval = std::atoi(NextToken(bytes, at).c_str());
        picture.channels = 3;
    } else {
        return false;
    }
    ++at; // the one blank after the header
    const std::size_t sampleBytes = maxval > 255 ? 2 : 1;
    const auto pixels = static_cast<std::size_t>(picture.width * picture.height);
    if (maxval <= 0 || (pam && maxval != 255) ||
        bytes.size() < at + pixels * channels * sampleBytes) {
        return false;
    }
    const auto outChannels = static_cast<std::size_t>(picture.channels);
    picture.samples.assign(pixels * outChannels, 0);
    for (std::size_t i = 0; i < picture.samples.size(); ++i) {
        const std::size_t c = i % outChannels;
        const std::size_t source =
            (i / outChannels * channels + (channels == 1 ? 0 : c)) * sampleBytes;
        const double value = sampleBytes == 2 ? bytes[at + source] * 256.0 + bytes[at + source + 1]
                                              : bytes[at + source];
        picture.samples[i] = static_cast<std::uint8_t>(std::lround(value * 255.0 / maxval));
    }
    return true;
}

struct RenderCommand {
    std::string command; // writes output
    std::string output;
    bool pam = false;
};

std::map<std::string, Picture> RunRenderers(const std::map<std::string, RenderCommand>& commands) {
    std::map<std::string, Picture> pictures;
    for (const auto& [name, render] : commands) {
        std::remove(render.output.c_str());
        Picture picture;
        if (RunCommand(render.command + " >/dev/null 2>&1") == 0 &&
            ReadNetpbm(render.output, picture, render.pam)) {
            pictures[name] = std::move(picture);
        }
    }
    return pictures;
}

} // namespace

bool ReadPnm(const std::string& path, Picture& picture) {
    return ReadNetpbm(path, picture, false);
}

bool ReadPam(const std::string& path, Picture& picture) {
    return ReadNetpbm(path, picture, true);
}

void WritePicture(const std::string& path, int width, int height, bool grey, bool sixteenBit) {
    std::string text = std::string(grey ? "P5" : "P6") + "\n" + std::to_string(width) + " " +
                       std::to_string(height) + "\n" + (sixteenBit ? "65535" : "255") + "\n";
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            // Smooth ramps (JPEG keeps them well) and a dark top-left quarter.
            const bool corner = x < width / 4 && y < height / 4;
            const int r = corner ? 20 : 40 + 200 * x / width;
            const int g = corner ? 20 : 40 + 200 * y / height;
            const int b = corner ? 20 : 200 - 150 * (x + y) / (width + height);
            const int wide = (r + g) / 2 * 257 + (x % 3) * 40;
            if (grey && sixteenBit) {
                text += {static_cast<char>(wide >> 8), static_cast<char>(wide & 0xFF)};
            } else if (grey) {
                text.push_back(static_cast<char>((r + g) / 2));
            } else {
                text += {static_cast<char>(r), static_cast<char>(g), static_cast<char>(b)};
            }
        }
    }
    WriteText(path, text);
}

bool Cjpeg(const std::string& pnm, const std::string& output, const std::string& options) {
    return RunCommand("cjpeg " + options + " -outfile " + ShellQuote(output) + " " +
                      ShellQuote(pnm) + " 2>/dev/null") == 0;
}

bool OpjCompress(const std::string& pnm, const std::string& output, const std::string& options) {
    return RunCommand("opj_compress -i " + ShellQuote(pnm) + " -o " + ShellQuote(output) + " " +
                      options + " >/dev/null 2>&1") == 0;
}

double Psnr(const Picture& a, const Picture& b) {
    if (a.width != b.width || a.height != b.height || a.channels != b.channels ||
        a.samples.size() != b.samples.size()) {
        return -1.0;
    }
    double sum = 0.0;
    for (std::size_t i = 0; i < a.samples.size(); ++i) {
        const double d = static_cast<double>(a.samples[i]) - b.samples[i];
        sum += d * d;
    }
    return sum == 0.0
               ? 99.0
               : 10.0 * std::log10(255.0 * 255.0 * static_cast<double>(a.samples.size()) / sum);
}

std::map<std::string, Picture> RenderWithAll(const std::string& pdfPath, double dpi,
                                             const std::string& workFolder) {
    const std::string r = NumberText(dpi);
    const std::string pdf = ShellQuote(pdfPath);
    const std::string base = workFolder + "/render";
    const std::string gs =
        "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=ppmraw -r" + r + " -dFirstPage=1 -dLastPage=1 ";
    return RunRenderers({
        {"pdftoppm",
         {"pdftoppm -r " + r + " -f 1 -l 1 -singlefile " + pdf + " " + ShellQuote(base + "-p"),
          base + "-p.ppm"}},
        {"mutool",
         {"mutool draw -q -r " + r + " -c rgb -o " + ShellQuote(base + "-m.ppm") + " " + pdf + " 1",
          base + "-m.ppm"}},
        {"gs", {gs + "-o " + ShellQuote(base + "-g.ppm") + " " + pdf, base + "-g.ppm"}},
        {"gs-fastcolor",
         {gs + "-dUseFastColor -o " + ShellQuote(base + "-f.ppm") + " " + pdf, base + "-f.ppm"}},
    });
}

std::map<std::string, Picture> RenderCmykWithAll(const std::string& pdfPath, double dpi,
                                                 const std::string& workFolder) {
    const std::string r = NumberText(dpi);
    const std::string pdf = ShellQuote(pdfPath);
    const std::string base = workFolder + "/cmyk";
    return RunRenderers({
        {"pdftoppm",
         {"pdftoppm -r " + r + " -f 1 -l 1 -singlefile -tiff -tiffcompression none -overprint " +
              pdf + " " + ShellQuote(base + "-p") + " && /usr/bin/convert " +
              ShellQuote(base + "-p.tif") + " " + ShellQuote(base + "-p.pam"),
          base + "-p.pam", true}},
        {"mutool",
         {"mutool draw -q -r " + r + " -c cmyk -o " + ShellQuote(base + "-m.pam") + " " + pdf +
              " 1",
          base + "-m.pam", true}},
        {"gs",
         {"gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pamcmyk32 -r" + r +
              " -dFirstPage=1 -dLastPage=1 -o " + ShellQuote(base + "-g.pam") + " " + pdf,
          base + "-g.pam", true}},
    });
}

} // namespace folionix::test
