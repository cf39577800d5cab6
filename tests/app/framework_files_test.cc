// A host learns which run-time file is missing before the framework stops
// the process without naming it.
#include "app/framework_files.h"

#include <windows.h>

#include <string>

#include "gtest/gtest.h"

namespace {

void Touch(const std::wstring& path) {
  CloseHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

TEST(FrameworkFilesTest, EachFileTheFrameworkCannotDoWithoutIsNamed) {
  wchar_t base[MAX_PATH], path[MAX_PATH];
  GetTempPathW(MAX_PATH, base);
  GetTempFileNameW(base, L"kxf", 0, path);
  DeleteFileW(path);
  const std::wstring dir = std::wstring(path) + L"\\";
  CreateDirectoryW(dir.c_str(), nullptr);
  EXPECT_EQ(FindMissingFrameworkFileIn(dir), dir + L"icudtl.dat");
  Touch(dir + L"icudtl.dat");
  EXPECT_EQ(FindMissingFrameworkFileIn(dir), dir + L"natives_blob.bin");
  // A folder of that name is not the file.
  CreateDirectoryW((dir + L"natives_blob.bin").c_str(), nullptr);
  EXPECT_EQ(FindMissingFrameworkFileIn(dir), dir + L"natives_blob.bin");
  RemoveDirectoryW((dir + L"natives_blob.bin").c_str());
  Touch(dir + L"natives_blob.bin");
  EXPECT_EQ(FindMissingFrameworkFileIn(dir), L"");
  DeleteFileW((dir + L"icudtl.dat").c_str());
  DeleteFileW((dir + L"natives_blob.bin").c_str());
  RemoveDirectoryW(dir.c_str());
}

}  // namespace
