// The registry of platforms without one: a .reg file read through the
// registry calls, as the program reads it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "discovery/filter_registry.h"
#include "platform/win32.h"
#include "support/registry_fixture.h"
#include "support/temp_dir.h"

namespace {

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

// The value as RegQueryValueExA gives it, or the error code as text.
std::string Query(const std::string& keyPath, const char* valueName, DWORD bufferSize = 100,
                  DWORD* type = nullptr) {
  HKEY key = nullptr;
  const LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, &key);
  if (opened != ERROR_SUCCESS) return "error " + std::to_string(opened);
  std::string buffer(bufferSize, '#');
  DWORD size = bufferSize;
  const LONG read =
      RegQueryValueExA(key, valueName, nullptr, type, reinterpret_cast<BYTE*>(&buffer[0]), &size);
  RegCloseKey(key);
  if (read != ERROR_SUCCESS) return "error " + std::to_string(read) + " " + buffer.substr(0, 1);
  return buffer.substr(0, size);
}

bool KeyExists(const std::string& keyPath) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

std::string Utf16(const std::string& ascii) {
  std::string units = "\xFF\xFE";
  for (char c : ascii) {
    units += c;
    units += '\0';
  }
  return units;
}

class RegistryFileTest : public TempDirTest {
 protected:
  void Use(const std::string& contents) { InstallRegistry(contents, folder_); }
};

TEST_F(RegistryFileTest, ReadsEveryKindOfValue) {
  Use(Regedit4({"; a comment", "[HKEY_LOCAL_MACHINE\\Software\\Test]", "@=\"default\"",
                "\"Quoted\"=\"say \\\"hi\\\" to C:\\\\dir\\\\\"", "\"Number\"=dword:0000002a",
                "\"Bytes\"=hex:01,02,\\", "  03,04", "\"Expand\"=hex(2):25,50,25,00",
                "\"Name \\\"with\\\" quotes\"=\"q\"", "\"Empty\"=\"\""}));
  EXPECT_EQ(Query("Software\\Test", nullptr), std::string("default\0", 8));
  EXPECT_EQ(Query("Software\\Test", ""), std::string("default\0", 8));
  EXPECT_EQ(Query("Software\\Test", "Quoted"), std::string("say \"hi\" to C:\\dir\\\0", 20));
  EXPECT_EQ(Query("Software\\Test", "Number"), std::string("\x2a\0\0\0", 4));
  EXPECT_EQ(Query("Software\\Test", "Bytes"), "\x01\x02\x03\x04");
  EXPECT_EQ(Query("Software\\Test", "Expand"), std::string("%P%\0", 4));
  EXPECT_EQ(Query("Software\\Test", "Name \"with\" quotes"), std::string("q\0", 2));
  EXPECT_EQ(Query("Software\\Test", "Empty"), std::string("\0", 1));

  DWORD type = 0;
  Query("Software\\Test", "Number", 100, &type);
  EXPECT_EQ(type, 4u);
  Query("Software\\Test", "Expand", 100, &type);
  EXPECT_EQ(type, 2u);
}

TEST_F(RegistryFileTest, AnswersWithWindowsCodes) {
  Use(Regedit4({"[HKEY_LOCAL_MACHINE\\Software\\Test]", "\"Fits\"=\"" + std::string(99, 'a') + "\"",
                "\"Long\"=\"" + std::string(100, 'b') + "\""}));
  EXPECT_EQ(Query("Software\\Test", "Fits"), std::string(99, 'a') + '\0');
  // Too long: 234 and nothing copied.
  EXPECT_EQ(Query("Software\\Test", "Long"), "error 234 #");
  EXPECT_EQ(Query("Software\\Test", "Missing"), "error 2 #");
  EXPECT_EQ(Query("Software\\Missing", "Fits"), "error 2");

  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Test", 0, KEY_READ, &key), ERROR_SUCCESS);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "Long", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 101u);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

// As Windows' registry compares names: one UTF-16 unit at a time, and a
// letter only where its upper case maps back to it.
TEST_F(RegistryFileTest, MatchesNamesAsTheRegistryDoes) {
  Use(Regedit4({"[hkey_Local_Machine\\SOFTWARE\\Mixed\\Case]", "\"Value\"=\"v\"",
                "[HKEY_LOCAL_MACHINE\\Caf\xC3\xA9\\\xC2\xB5]",
                "[HKEY_LOCAL_MACHINE\\\xF0\x90\x90\xA8]"}));
  EXPECT_EQ(Query("software\\mixed\\CASE", "VALUE"), std::string("v\0", 2));
  EXPECT_TRUE(KeyExists("CAF\xC3\x89"));
  EXPECT_FALSE(KeyExists("Caf\xC3\xA9\\\xCE\x9C"));  // "µ" is not "Μ"
  EXPECT_FALSE(KeyExists("\xF0\x90\x90\x80"));       // Deseret, beyond the BMP
}

TEST_F(RegistryFileTest, FindsKeysWhateverTheirNamesHold) {
  Use(Regedit4({"[HKEY_LOCAL_MACHINE\\Odd]Name]", "\"V\"=\"1\"", "[HKEY_LOCAL_MACHINE\\Trailing\\]",
                "\"V\"=\"2\"", "[HKEY_LOCAL_MACHINE\\Sub\\Key]", "[HKEY_LOCAL_MACHINE\\Subway]"}));
  EXPECT_EQ(Query("Odd]Name", "V"), std::string("1\0", 2));
  EXPECT_EQ(Query("Trailing", "V"), std::string("2\0", 2));
  EXPECT_TRUE(KeyExists("Sub"));
  EXPECT_FALSE(KeyExists("Subw"));
}

TEST_F(RegistryFileTest, FollowsDeletionsInFileOrder) {
  Use(Regedit4({"[HKEY_LOCAL_MACHINE\\A\\B\\C]", "\"Kept\"=\"1\"", "\"Dropped\"=\"1\"",
                "[HKEY_LOCAL_MACHINE\\A\\B\\C]", "\"Dropped\"=-", "[HKEY_LOCAL_MACHINE\\X\\Y]",
                "\"V\"=\"old\"", "[-HKEY_LOCAL_MACHINE\\X]", "[HKEY_LOCAL_MACHINE\\X\\Y]",
                "\"W\"=\"new\""}));
  EXPECT_TRUE(KeyExists("A"));
  EXPECT_TRUE(KeyExists("A\\B"));
  EXPECT_EQ(Query("A\\B\\C", "Kept"), std::string("1\0", 2));
  EXPECT_EQ(Query("A\\B\\C", "Dropped"), "error 2 #");
  EXPECT_EQ(Query("X\\Y", "V"), "error 2 #");
  EXPECT_EQ(Query("X\\Y", "W"), std::string("new\0", 4));
}

TEST_F(RegistryFileTest, SeesOnlyTheLocalMachine) {
  Use(Regedit4({"[HKEY_CURRENT_USER\\Software\\Test]", "\"V\"=\"user\"",
                "[HKEY_CLASSES_ROOT\\CLSID\\{x}]", "@=\"class\"", "[HKLM\\Software\\Short]",
                "\"V\"=\"short\""}));
  EXPECT_FALSE(KeyExists("Software\\Test"));
  EXPECT_FALSE(KeyExists("CLSID\\{x}"));
  // HKEY_CLASSES_ROOT shows the local machine's classes; a root written
  // short opens no key.
  EXPECT_EQ(Query("SOFTWARE\\Classes\\CLSID\\{x}", nullptr), std::string("class\0", 6));
  EXPECT_FALSE(KeyExists("Software\\Short"));
}

TEST_F(RegistryFileTest, ReadsBothFormatsAndEncodings) {
  const std::string body =
      "\r\n[HKEY_LOCAL_MACHINE\\Software\\Test]\r\n\"V\"=\"caf\xC3\xA9\"\r\n"
      "\"S\"=hex(1):41,00,e9,00,00,00\r\n";
  const std::string version5 = "Windows Registry Editor Version 5.00\r\n" + body;
  const std::string cases[] = {version5, "REGEDIT4\n" + body};
  for (const std::string& contents : cases) {
    Use(contents);
    EXPECT_EQ(Query("Software\\Test", "V"), std::string("caf\xC3\xA9\0", 6));
  }
  // The registry editor takes 8-bit files in the code page, and UTF-16 with
  // its mark; a UTF-8 mark is no part of a header it knows.
  Use(std::string(kUtf8Bom) + version5);
  EXPECT_FALSE(KeyExists("Software\\Test"));
  // UTF-16: text arrives as UTF-8, string data given in hex too.
  std::string utf16 = Utf16(
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Test]\r\n\"V\"=\"caf");
  utf16 += std::string("\xE9\0\"\0\r\0\n\0", 8);
  utf16 += Utf16("\"S\"=hex(1):41,00,e9,00,00,00\r\n").substr(2);
  Use(utf16);
  EXPECT_EQ(Query("Software\\Test", "V"), std::string("caf\xC3\xA9\0", 6));
  EXPECT_EQ(Query("Software\\Test", "S"), std::string("A\xC3\xA9\0", 4));
}

TEST_F(RegistryFileTest, ReadsAnExportOfWinesRegistryEditor) {
  InstallRegistry("", folder_);
  setenv("MORVASK_REGISTRY", MORVASK_TEST_DATA "/filters-export.reg", 1);
  const std::string key = "SOFTWARE\\Microsoft\\Windows CE Services\\Filters\\.cdb";
  EXPECT_EQ(GetFilterClsid(".mdb", "DefaultImport"), "{6C5B7F6A-3B1E-4C1D-9A53-0D0C2E6F7A10}");
  EXPECT_EQ(GetFilterClsid(".cdb", "DefaultExport"), "{6C5B7F6A-3B1E-4C1D-9A53-0D0C2E6F7A11}");
  EXPECT_EQ(GetFilterClsid(".cdb", "Flags"), "abc");
  EXPECT_EQ(Query(key, nullptr), std::string("Pocket Access \"database\"\0", 25));
  EXPECT_EQ(Query(key, "Description"),
            std::string("%ProgramFiles%\\Biblioth\xC3\xA8que\\\xC3\x9Cn\xC3\xAF"
                        "code filter\0",
                        46));
  EXPECT_EQ(Query(key, "Signature"), "ABC");

  setenv("MORVASK_REGISTRY", MORVASK_TEST_DATA "/clsid-export.reg", 1);
  EXPECT_EQ(GetFilterServerPath("{6C5B7F6A-3B1E-4C1D-9A53-0D0C2E6F7A10}"),
            "C:\\Program Files\\Filtres\\filtre.dll");
}

TEST_F(RegistryFileTest, PassesOverWhatItCannotRead) {
  Use(Regedit4({"[HKEY_LOCAL_MACHINE\\Software\\Test]", "garbage line", "\"Unclosed=\"x\"",
                "\"BadHex\"=hex:zz,01", "\"BadDword\"=dword:123456789", "=\"no name\"",
                "[HKEY_LOCAL_MACHINE\\Software\\Broken", "\"AfterBrokenHeader\"=\"kept\"",
                "[HKEY_LOCAL_MACHINE\\Software\\Test]", "\"Good\"=\"yes\"", "\"Cut\"=\"no end"}));
  EXPECT_EQ(Query("Software\\Test", "Good"), std::string("yes\0", 4));
  for (const char* name : {"BadHex", "BadDword", "Cut", "Unclosed"}) {
    EXPECT_EQ(Query("Software\\Test", name), "error 2 #") << name;
  }
  // A header without its closing bracket opens no key: the one before it
  // takes the values that follow.
  EXPECT_EQ(Query("Software\\Test", "AfterBrokenHeader"), std::string("kept\0", 5));
  EXPECT_FALSE(KeyExists("Software\\Broken"));
}

TEST_F(RegistryFileTest, EndsATruncatedFileWhereItEnds) {
  Use("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Test]\r\n\"A\"=\"1\"\r\n\"B\"=hex:41,42,\\\r\n");
  EXPECT_EQ(Query("Software\\Test", "A"), std::string("1\0", 2));
  EXPECT_EQ(Query("Software\\Test", "B"), "AB");

  Use("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Tes");
  EXPECT_FALSE(KeyExists("Software\\Tes"));
}

TEST_F(RegistryFileTest, TreatsMissingAndForeignFilesAsEmpty) {
  const std::string bodies[] = {"", "[HKEY_LOCAL_MACHINE\\Software\\Test]\r\n\"V\"=\"1\"\r\n",
                                std::string("\0\0\0\0", 4)};
  for (const std::string& body : bodies) {
    Use(body);
    EXPECT_FALSE(KeyExists("Software\\Test"));
  }
  setenv("MORVASK_REGISTRY", PathOf("missing.reg").c_str(), 1);
  EXPECT_FALSE(KeyExists("Software"));
}

TEST_F(RegistryFileTest, KeepsReadingPastAnOverlongLine) {
  const std::string huge(3 << 20, 'x');
  Use(Regedit4({"[HKEY_LOCAL_MACHINE\\Software\\Test]", "\"Huge\"=\"" + huge + "\"",
                "\"Hex\"=hex:" + std::string(1 << 20, '0') + ",\\", "  01",
                "[HKEY_LOCAL_MACHINE\\" + huge + "]", "\"After\"=\"ok\""}));
  EXPECT_EQ(Query("Software\\Test", "Huge"), "error 234 #");
  EXPECT_EQ(Query("Software\\Test", "Hex"), "error 234 #");
  EXPECT_EQ(Query("Software\\Test", "After"), "error 2 #");

  Use(Regedit4({"[HKEY_LOCAL_MACHINE\\Other]", "\"Huge\"=\"" + huge + "\"",
                "[HKEY_LOCAL_MACHINE\\Software\\Test]", "\"After\"=\"ok\""}));
  EXPECT_EQ(Query("Software\\Test", "After"), std::string("ok\0", 3));
}

TEST_F(RegistryFileTest, ReadsAKeyWithMoreValuesThanAHandleKeeps) {
  std::string text = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Big]\r\n";
  for (int i = 0; i < 40; ++i) {
    text += "\"V" + std::to_string(i) + "\"=\"" + std::string(50000, 'v') + "\"\r\n";
  }
  text += "\"Small\"=\"s\"\r\n\"V3\"=-\r\n";
  Use(text);
  EXPECT_EQ(Query("Software\\Big", "small"), std::string("s\0", 2));
  EXPECT_EQ(Query("Software\\Big", "V3"), "error 2 #");
  EXPECT_EQ(Query("Software\\Big", "V39", 50001), std::string(50000, 'v') + '\0');
}

// The file may change while a key is open: the handle reads the file it
// opened, and one that shrank under it reads as ending sooner, never as a
// crash.
TEST_F(RegistryFileTest, SurvivesAFileThatShrinksUnderAnOpenKey) {
  std::string text = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Test]\r\n\"A\"=\"1\"\r\n";
  for (int i = 0; i < 20000; ++i) {
    text += "[HKEY_LOCAL_MACHINE\\Software\\Filler" + std::to_string(i) + "]\r\n\"V\"=\"x\"\r\n";
  }
  text += "[HKEY_LOCAL_MACHINE\\Software\\Test]\r\n\"B\"=\"2\"\r\n";
  for (const off_t size : {off_t(text.size() - 10), off_t(text.size() / 2), off_t(20), off_t(0)}) {
    Use(text);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Test", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    ASSERT_EQ(truncate(std::getenv("MORVASK_REGISTRY"), size), 0);
    for (const char* name : {"A", "B"}) {
      char data[8];
      DWORD length = sizeof data;
      const LONG read =
          RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &length);
      EXPECT_TRUE(read == ERROR_SUCCESS || read == ERROR_FILE_NOT_FOUND) << size << " " << read;
    }
    RegCloseKey(key);
  }
}

}  // namespace
