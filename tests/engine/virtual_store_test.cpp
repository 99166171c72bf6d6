#include "engine/virtual_store.h"

#include <string>

#include <gtest/gtest.h>

namespace {

std::string Narrow(const std::wstring& text) {
  std::string narrow;
  for (wchar_t c : text) {
    narrow += c < 0x80 ? static_cast<char>(c) : '?';
  }
  return narrow;
}

TEST(VirtualStoreFolder, OnlyRedirectedFoldersHaveOneBelowTheUsersLocalData) {
  const RedirectedFolders windows{
      {L"C:\\Program Files (x86)", L"C:\\Program Files\\", L"C:\\Windows", L"C:\\ProgramData"},
      L"C:\\Users\\Иван\\AppData\\Local"};
  const std::wstring store = L"C:\\Users\\Иван\\AppData\\Local\\VirtualStore";
  const struct {
    std::wstring folder;
    RedirectedFolders redirected;
    std::wstring expected;
  } rows[] = {
      {L"C:\\Program Files (x86)\\SKARNAVEL", windows, store + L"\\Program Files (x86)\\SKARNAVEL"},
      {L"C:\\Program Files\\Игры\\SKARNAVEL\\", windows,
       store + L"\\Program Files\\Игры\\SKARNAVEL"},
      {L"c:\\program files\\skarnavel", windows, store + L"\\program files\\skarnavel"},
      {L"C:/Program Files/SKARNAVEL", windows, store + L"\\Program Files\\SKARNAVEL"},
      {L"C:\\Program Files", windows, store + L"\\Program Files"},
      {L"C:\\Windows\\System32", windows, store + L"\\Windows\\System32"},
      {L"C:\\ProgramData\\SKARNAVEL", windows, store + L"\\ProgramData\\SKARNAVEL"},
      // Only a whole folder name counts, and only the redirected ones.
      {L"C:\\Program Files Games\\SKARNAVEL", windows, L""},
      {L"C:\\Games\\SKARNAVEL", windows, L""},
      {L"D:\\Program Files\\SKARNAVEL", windows, L""},
      {L"C:\\Users\\Иван\\Desktop", windows, L""},
      {L"\\\\server\\share\\Program Files\\SKARNAVEL", windows, L""},
      {L"", windows, L""},
      // Nothing to say without the user's folder, and nothing redirected without roots.
      {L"C:\\Program Files\\SKARNAVEL", {windows.roots, L""}, L""},
      {L"C:\\Program Files\\SKARNAVEL", {{}, windows.localAppData}, L""},
      {L"C:\\Program Files\\SKARNAVEL", {{L"", L"C:"}, windows.localAppData}, L""},
      // A root written with its drive's trailing backslash covers the whole drive.
      {L"C:\\ПРОГРАММЫ\\S", {{L"C:\\программы"}, L"C:\\L\\"}, L"C:\\L\\VirtualStore\\ПРОГРАММЫ\\S"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(row.expected, VirtualStoreFolder(row.folder, row.redirected)) << Narrow(row.folder);
  }
}

}  // namespace
