// The release's identity read back the way Windows reads it: the version
// resource of each shipped binary and of the setup program through the version
// API, the programs' icons, and the settings program's manifest.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "version.h"

namespace {

// Where the release is: ORVIK_DIST, else dist\ under the current folder.
std::string DistPath(const char* name) {
    const char* dist = std::getenv("ORVIK_DIST");
    return std::string(dist ? dist : "dist") + "\\" + name;
}

class VersionInfo {
public:
    explicit VersionInfo(const std::string& path) {
        DWORD handle = 0;
        const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
        data_.resize(size);
        loaded_ = size > 0 && GetFileVersionInfoA(path.c_str(), 0, size, data_.data());
    }

    bool Loaded() const { return loaded_; }

    const VS_FIXEDFILEINFO* Fixed() {
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(data_.data(), "\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO)) return nullptr;
        return static_cast<const VS_FIXEDFILEINFO*>(value);
    }

    // A string of the first language block the resource lists.
    std::string String(const char* name) {
        WORD* translation = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(data_.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                            &length) ||
            length < 4)
            return "(no translation)";
        char path[128];
        wsprintfA(path, "\\StringFileInfo\\%04x%04x\\%s", translation[0], translation[1], name);
        char* text = nullptr;
        if (!VerQueryValueA(data_.data(), path, reinterpret_cast<void**>(&text), &length) || !text)
            return "(missing)";
        return text;
    }

private:
    std::vector<char> data_;
    bool loaded_ = false;
};

TEST(Release, EveryBinaryCarriesTheOneVersionNumber) {
    const DWORD expectedMs = MAKELONG(ORVIK_VERSION_MINOR, ORVIK_VERSION_MAJOR);
    const DWORD expectedLs = MAKELONG(0, ORVIK_VERSION_PATCH);
    for (const char* name : {"OrvikDriver.exe", "OrvikSettings.exe", "Orvikwatch.dll", "OrvikSetup.exe"}) {
        SCOPED_TRACE(name);
        VersionInfo info(DistPath(name));
        ASSERT_TRUE(info.Loaded()) << "no version resource, error " << GetLastError();
        const VS_FIXEDFILEINFO* fixed = info.Fixed();
        ASSERT_NE(fixed, nullptr);
        EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
        EXPECT_EQ(fixed->dwFileVersionMS, expectedMs);
        EXPECT_EQ(fixed->dwFileVersionLS, expectedLs);
        EXPECT_EQ(fixed->dwProductVersionMS, expectedMs);
        EXPECT_EQ(fixed->dwProductVersionLS, expectedLs);
        EXPECT_EQ(info.String("FileVersion"), ORVIK_VERSION_STRING);
        EXPECT_EQ(info.String("ProductVersion"), ORVIK_VERSION_STRING);
        EXPECT_EQ(info.String("ProductName"), ORVIK_PRODUCT_NAME);
        EXPECT_EQ(info.String("CompanyName"), ORVIK_PUBLISHER);
        EXPECT_EQ(info.String("OriginalFilename"), name);
    }
    VersionInfo dll(DistPath("Orvikwatch.dll"));
    ASSERT_NE(dll.Fixed(), nullptr);
    EXPECT_EQ(dll.Fixed()->dwFileType, static_cast<DWORD>(VFT_DLL));
}

TEST(Release, ProgramsShowTheirIconsAndTheSettingsProgramAsksForCommonControls6) {
    for (const char* name : {"OrvikDriver.exe", "OrvikSettings.exe", "OrvikSetup.exe"}) {
        SCOPED_TRACE(name);
        EXPECT_GE(ExtractIconExA(DistPath(name).c_str(), -1, nullptr, nullptr, 0), 1u);
    }

    HMODULE settings = LoadLibraryExA(DistPath("OrvikSettings.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(settings, nullptr);
    HRSRC resource = FindResourceA(settings, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));  // RT_MANIFEST
    ASSERT_NE(resource, nullptr) << "no manifest";
    const char* text = static_cast<const char*>(LockResource(LoadResource(settings, resource)));
    const std::string manifest(text, SizeofResource(settings, resource));
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos)
        << manifest;
    EXPECT_NE(manifest.find("processorArchitecture=\"x86\""), std::string::npos);
    EXPECT_NE(manifest.find("version=\"" ORVIK_VERSION_STRING ".0\""), std::string::npos)
        << "the manifest names another version of the program";
    FreeLibrary(settings);
}

}  // namespace
