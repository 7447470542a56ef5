#include "support/Pictures.h"

#include "support/TestSupport.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace folionix::test {

namespace {

// Any picture ImageMagick reads, as 8-bit samples in the colour model ("rgb", "cmyk", one letter
// per channel): its size comes first on the command's output, then the raw samples.
bool ReadAs(const std::string& path, Picture& picture, const std::string& model) {
    std::string output;
    const std::string options = " -depth 8 -print '%w %h\\n' " + model + ":- 2>/dev/null";
    if (RunCommand("convert " + ShellQuote(path) + options, &output) != 0 ||
        std::sscanf(output.c_str(), "%d %d", &picture.width, &picture.height) != 2) {
        return false;
    }
    picture.channels = static_cast<int>(model.size());
    const std::string raw = output.substr(output.find('\n') + 1);
    picture.samples.assign(raw.begin(), raw.end());
    return picture.samples.size() ==
           static_cast<std::size_t>(picture.width * picture.height * picture.channels);
}

// Each renderer's command line for page 1 (OUT: the file it writes, without the extension) and
// that extension.
using Commands = std::map<std::string, std::pair<std::string, std::string>>;

std::map<std::string, Picture> Render(const std::string& pdfPath, double dpi,
                                      const std::string& workFolder, bool cmyk) {
    char r[32];
    const std::string dpiText(r, std::to_chars(r, r + sizeof r, dpi).ptr);
    const std::string gs =
        "gs -q -dSAFER -dBATCH -dNOPAUSE -dFirstPage=1 -dLastPage=1 -r" + dpiText + " -sDEVICE=";
    const std::string pdftoppm = "pdftoppm -r " + dpiText + " -f 1 -l 1 -singlefile ";
    const std::string mutool = "mutool draw -q -r " + dpiText + " -c ";
    const Commands commands =
        cmyk ? Commands{{"pdftoppm",
                         {pdftoppm + "-tiff -tiffcompression none -overprint PDF OUT", "tif"}},
                        {"mutool", {mutool + "cmyk -o OUT.pam PDF 1", "pam"}},
                        {"gs", {gs + "pamcmyk32 -o OUT.pam PDF", "pam"}}}
             : Commands{{"pdftoppm", {pdftoppm + "PDF OUT", "ppm"}},
                        {"mutool", {mutool + "rgb -o OUT.ppm PDF 1", "ppm"}},
                        {"gs", {gs + "ppmraw -o OUT.ppm PDF", "ppm"}}};
    std::map<std::string, Picture> pictures;
    for (const auto& [name, render] : commands) {
        const std::string out = workFolder + "/render-" + name;
        std::string command = render.first;
        command.replace(command.find("OUT"), 3, ShellQuote(out));
        command.replace(command.find("PDF"), 3, ShellQuote(pdfPath));
        std::remove((out + "." + render.second).c_str());
        Picture picture;
        if (RunCommand(command + " >/dev/null 2>&1") == 0 &&
            ReadAs(out + "." + render.second, picture, cmyk ? "cmyk" : "rgb")) {
            pictures[name] = std::move(picture);
        }
    }
    return pictures;
}

} // namespace

bool ReadPnm(const std::string& path, Picture& picture) {
    return ReadAs(path, picture, "rgb");
}

bool ReadPam(const std::string& path, Picture& picture) {
    return ReadAs(path, picture, "cmyk");
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
            text += grey && sixteenBit ? std::string{char(wide >> 8), char(wide & 0xFF)}
                    : grey             ? std::string(1, char((r + g) / 2))
                                       : std::string{char(r), char(g), char(b)};
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
    if (a.width != b.width || a.height != b.height || a.samples.size() != b.samples.size()) {
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
    return Render(pdfPath, dpi, workFolder, false);
}

std::map<std::string, Picture> RenderCmykWithAll(const std::string& pdfPath, double dpi,
                                                 const std::string& workFolder) {
    return Render(pdfPath, dpi, workFolder, true);
}

} // namespace folionix::test
