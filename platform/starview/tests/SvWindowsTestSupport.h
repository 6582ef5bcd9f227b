// Shared by the window tests: a fixture that starts each test with no script and empty logs, a
// temporary folder, a PNG reader, and a window that records its handler calls.
#pragma once

#include <gtest/gtest.h>
#include <png.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "sv.h"

namespace svtest {

class WindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("SV_PAINT_DIR");
        SvSetScript("", "test.sv");
        SvSetFontFile(nullptr);
        SvTakeBoxLog();
        SvTakeAppLog();
    }
};

class TempDir {
public:
    TempDir() {
        char name[] = "/tmp/svwindowsXXXXXX";
        path_ = mkdtemp(name);
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    const std::string& Path() const { return path_; }
    // The files of the folder, by name.
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(path_)) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::string path_;
};

struct Picture {
    int32_t width = 0, height = 0;
    std::vector<uint32_t> rgb;
    uint32_t At(int32_t x, int32_t y) const { return rgb.at(size_t(y) * width + x); }
};

// An 8-bit RGB PNG; an empty picture when the file is not one.
inline Picture ReadPng(const std::string& file) {
    Picture p;
    FILE* f = std::fopen(file.c_str(), "rb");
    if (f == nullptr) return p;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(f);
        return Picture();
    }
    png_init_io(png, f);
    png_read_info(png, info);
    if (png_get_color_type(png, info) == PNG_COLOR_TYPE_RGB && png_get_bit_depth(png, info) == 8) {
        p.width = static_cast<int32_t>(png_get_image_width(png, info));
        p.height = static_cast<int32_t>(png_get_image_height(png, info));
        std::vector<png_byte> row(size_t(p.width) * 3);
        for (int32_t y = 0; y < p.height; ++y) {
            png_read_row(png, row.data(), nullptr);
            for (int32_t x = 0; x < p.width; ++x)
                p.rgb.push_back(uint32_t(row[x * 3]) << 16 | uint32_t(row[x * 3 + 1]) << 8 | row[x * 3 + 2]);
        }
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    return p;
}

// A window of the kind Base that writes each handler call into a shared list as
// "<name> <handler> <fields>".
template <class Base>
class Probe : public Base {
public:
    template <class... Args>
    Probe(std::vector<std::string>& log, const char* name, Args&&... args)
        : Base(std::forward<Args>(args)...), log_(log), name_(name) {}

    void Resize() override {
        const Size s = this->GetOutputSizePixel();
        Add("Resize " + std::to_string(s.Width()) + "x" + std::to_string(s.Height()));
    }
    void Move() override {
        const Point p = this->GetPosPixel();
        Add("Move " + std::to_string(p.X()) + " " + std::to_string(p.Y()));
    }
    void MouseMove(const MouseEvent& e) override { Add("MouseMove " + Fields(e)); }
    void MouseButtonDown(const MouseEvent& e) override { Add("MouseButtonDown " + Fields(e)); }
    void MouseButtonUp(const MouseEvent& e) override { Add("MouseButtonUp " + Fields(e)); }
    void KeyInput(const KeyEvent& e) override {
        char buf[48];
        std::snprintf(buf, sizeof buf, "KeyInput '%c' 0x%04X", e.GetCharCode() ? e.GetCharCode() : '-',
                      e.GetKeyCode().GetFullCode());
        Add(buf);
    }
    void GetFocus() override { Add("GetFocus"); }
    void LoseFocus() override { Add("LoseFocus"); }
    bool Close() override {
        Add("Close");
        return Base::Close();
    }

private:
    static std::string Fields(const MouseEvent& e) {
        return std::to_string(e.GetPosPixel().X()) + " " + std::to_string(e.GetPosPixel().Y()) +
               " buttons=" + std::to_string(e.GetButtons()) + " clicks=" + std::to_string(e.GetClicks()) +
               " modifier=" + std::to_string(e.GetModifier());
    }
    void Add(const std::string& line) { log_.push_back(name_ + " " + line); }

    std::vector<std::string>& log_;
    std::string name_;
};

}  // namespace svtest
