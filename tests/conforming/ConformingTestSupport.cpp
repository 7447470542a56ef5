#include "conforming/ConformingTestSupport.h"

#include "common/FileAccess.h"
#include "support/TestSupport.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace folionix::test {

namespace {

std::string NumberText(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// The next header token of a PNM, skipping blanks and comments.
bool NextToken(const std::vector<std::uint8_t>& bytes, std::size_t& at, std::string& token) {
    token.clear();
    while (at < bytes.size()) {
        const char c = static_cast<char>(bytes[at]);
        if (c == '#') {
            while (at < bytes.size() && bytes[at] != '\n') {
                ++at;
            }
        } else if (c == ' ' || c == '\n' || c == '\r' || c == '\t') {
            ++at;
        } else {
            break;
        }
    }
    while (at < bytes.size()) {
        const char c = static_cast<char>(bytes[at]);
        if (c == ' ' || c == '\n' || c == '\r' || c == '\t') {
            break;
        }
        token.push_back(c);
        ++at;
    }
    return !token.empty();
}

} // namespace

std::string SettingsHost::FieldText(SettingsField field) const {
    switch (field) {
    case SettingsField::OutputPath:
        return settings.outputFolder;
    case SettingsField::PageWidth:
        return NumberText(settings.pageWidth);
    case SettingsField::FileName:
        return settings.fileName;
    case SettingsField::PageHeight:
        return NumberText(settings.pageHeight);
    case SettingsField::MarginTop:
        return NumberText(settings.marginTop);
    case SettingsField::MarginBottom:
        return NumberText(settings.marginBottom);
    case SettingsField::MarginLeft:
        return NumberText(settings.marginLeft);
    case SettingsField::MarginRight:
        return NumberText(settings.marginRight);
    }
    return std::string();
}

void SettingsHost::AddFile(const std::string& path) {
    const auto slash = path.rfind(kPathSeparator);
    list.AddItem(ImageListEntry(path.substr(slash + 1), path.substr(0, slash + 1)));
}

bool ReadPnm(const std::string& path, Picture& picture) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    std::size_t at = 0;
    std::string magic;
    std::string width;
    std::string height;
    std::string maxval;
    if (!NextToken(bytes, at, magic) || (magic != "P5" && magic != "P6") ||
        !NextToken(bytes, at, width) || !NextToken(bytes, at, height) ||
        !NextToken(bytes, at, maxval)) {
        return false;
    }
    ++at; // the one blank after maxval
    picture.width = std::stoi(width);
    picture.height = std::stoi(height);
    const int max = std::stoi(maxval);
    const std::size_t channels = magic == "P6" ? 3 : 1;
    const std::size_t sampleBytes = max > 255 ? 2 : 1;
    const std::size_t samples =
        static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height);
    if (bytes.size() < at + samples * channels * sampleBytes) {
        return false;
    }
    picture.channels = 3;
    picture.samples.assign(samples * 3, 0);
    for (std::size_t i = 0; i < samples; ++i) {
        for (std::size_t c = 0; c < 3; ++c) {
            const std::size_t source = (i * channels + (channels == 3 ? c : 0)) * sampleBytes;
            double value = bytes[at + source];
            if (sampleBytes == 2) {
                value = value * 256 + bytes[at + source + 1];
            }
            picture.samples[i * 3 + c] =
                static_cast<std::uint8_t>(std::lround(value * 255.0 / max));
        }
    }
    return true;
}

void WritePicture(const std::string& path, int width, int height, bool grey, bool sixteenBit) {
    std::string text = std::string(grey ? "P5" : "P6") + "\n" + std::to_string(width) + " " +
                       std::to_string(height) + "\n" + (sixteenBit ? "65535" : "255") + "\n";
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            // Smooth ramps (JPEG keeps them well) that differ along x and y, and a dark
            // quarter at the top left so that turns and mirrors are plain to see.
            const bool corner = x < width / 4 && y < height / 4;
            const int r = corner ? 20 : 40 + 200 * x / width;
            const int g = corner ? 20 : 40 + 200 * y / height;
            const int b = corner ? 20 : 200 - 150 * (x + y) / (width + height);
            if (grey) {
                const int v = (r + g) / 2;
                if (sixteenBit) {
                    const int wide = v * 257 + (x % 3) * 40;
                    text.push_back(static_cast<char>(wide >> 8));
                    text.push_back(static_cast<char>(wide & 0xFF));
                } else {
                    text.push_back(static_cast<char>(v));
                }
            } else {
                text.push_back(static_cast<char>(r));
                text.push_back(static_cast<char>(g));
                text.push_back(static_cast<char>(b));
            }
        }
    }
    WriteText(path, text);
}

bool ReadPam(const std::string& path, Picture& picture) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    std::size_t at = 0;
    std::string token;
    if (!NextToken(bytes, at, token) || token != "P7") {
        return false;
    }
    int maxval = 0;
    while (NextToken(bytes, at, token) && token != "ENDHDR") {
        std::string value;
        if (!NextToken(bytes, at, value)) {
            return false;
        }
        if (token == "WIDTH") {
            picture.width = std::stoi(value);
        } else if (token == "HEIGHT") {
            picture.height = std::stoi(value);
        } else if (token == "DEPTH") {
            picture.channels = std::stoi(value);
        } else if (token == "MAXVAL") {
            maxval = std::stoi(value);
        }
    }
    ++at; // the line feed after ENDHDR
    const std::size_t count = static_cast<std::size_t>(picture.width) *
                              static_cast<std::size_t>(picture.height) *
                              static_cast<std::size_t>(picture.channels);
    if (token != "ENDHDR" || maxval != 255 || bytes.size() < at + count) {
        return false;
    }
    picture.samples.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                           bytes.begin() + static_cast<std::ptrdiff_t>(at + count));
    return true;
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
    if (sum == 0.0) {
        return 99.0;
    }
    const double mse = sum / static_cast<double>(a.samples.size());
    return 10.0 * std::log10(255.0 * 255.0 / mse);
}

namespace {

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
            (render.pam ? ReadPam(render.output, picture) : ReadPnm(render.output, picture))) {
            pictures[name] = std::move(picture);
        }
    }
    return pictures;
}

} // namespace

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
