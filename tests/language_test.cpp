#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/dialog_labels.h"
#include "foundation/help_files.h"
#include "foundation/language_choices.h"
#include "foundation/language_file.h"
#include "foundation/language_table.h"
#include "foundation/menu_template.h"
#include "test_tree.h"

namespace ostrya {
namespace {

// Identifier, key, English text, German text, as translators and the manual list them: UTF-8,
// with "\t" for the tab before a shortcut.
constexpr const char* kExpectedRows = R"(
100|mnuFile|&File|&Datei
101|mnuExit|E&xit|B&eenden
102|mnuMakeShortcut|Ma&ke shortcut\tCtrl+F2|&Verknüpfung erstellen\tStrg+F2
103|mnuFileRun|R&un\tShift+F2|Aus&führen\tUms.+F2
105|mnuFileEdit|&Edit\tF4|E&ditieren\tF4
106|mnuFileCopy|&Copy...\tF5|&Kopieren...\tF5
107|mnuFileMove|M&ove...\tF6|Ver&schieben...\tF6
108|mnuFileRename|&Rename...\tShift+F6|&Umbenennen...\tUms.+F6
109|mnuFileDelete|De&lete...\tF8|&Löschen...\tF8
110|mnuProperties|Propert&ies...\tAlt+Enter|Ei&genschaften...\tAlt+Enter
111|mnuExport|Expor&t List|Liste e&xportieren
112|mnuExportText|as &Text...|als &Text...
113|mnuExportCSV|as &CSV...|als &CSV...
114|mnuExportHTML|as &HTML...|als &HTML...
120|mnuEdit|&Edit|&Bearbeiten
125|mnuSelectAll|Select &all\tCtrl+A|Alles Aus&wählen\tStrg+A
126|mnuDeSelAll|Deselect &all\tCtrl+D|Markierung &aufheben\tStrg+D
127|mnuInvertSel|&Invert selection\tCtrl+I|Markierung &umkehren\tStrg+I
130|mnuExtra|E&xtra|E&xtras
131|mnuFind|&Search...\tCtrl+F|&Suchen...\tStrg+F
133|mnuStop|St&op search\tESC|Suche &abbrechen\tESC
134|mnuRegModules|&Register Modules...|Module &registrieren...
135|mnuUnregModules|&Unregister Modules...|Module &unregistrieren...
136|mnuGoTo|&Go to\tCtrl+G|&Gehe zu\tStrg+G
138|mnuNetworkConn|&Network connections...|&Netzlaufwerk verbinden...
139|mnuDisconnectNet|Disconnect net&work drives...|Netzlaufwerk &trennen...
140|mnuView|&View|&Ansicht
141|mnuLargeIcons|Lar&ge Icons|&Große Symbole
142|mnuSmallIcons|S&mall Icons|&Kleine Symbole
143|mnuList|&List|&Liste
144|mnuDetails|&Details|&Details
145|mnuToolbar|&Toolbar|Symbol&leiste
146|mnuStatusBar|Status &Bar|Status&zeile
147|mnuIcons|&Icons|S&ymbole
150|mnuSort|&Sort|&Sortierung
151|mnuByName|by &Name|Nach &Name
152|mnuByExtension|by &Extension|Nach &Erweiterung
153|mnuByTime|by &Time|Nach &Zeit
154|mnuBySize|by &Size|Nach &Größe
155|mnuByAttr|by File &Attributes|Nach Datei-&Attributen
156|mnuByType|by &Type|Nach &Typ
157|mnuByPath|by &Path|Nach &Ort
158|mnuUnsorted|&Unsorted|&Unsortiert
159|mnuReversed|&Reversed order|Ab&steigend sortiert
160|mnuOptions|&Options|&Optionen
162|mnuConfig|&Configuration...|&Konfiguration...
163|mnuFilter|&Filter...|&Filter...
166|mnuLanguage|L&anguage...|Sp&rache...
30000|mnuTaskList|&Switch list|&Fensterliste
170|mnuHelp|&Help|&Hilfe
171|mnuHelpCont|&Contents...|&Hilfe...
172|mnuUseHelp|&How to Use Help...|Hilfe &benutzen...
173|mnuGoOnline|&Go Online|Home&page besuchen
174|mnuAbout|&About...|Inf&o...
50|lstName|Name|Name
51|lstSize|Size|Größe
52|lstModified|Modified|Geändert am
53|lstAttributes|Attributes|Attribute
54|lstPath|Path|In Ordner
55|lstType|Type|Typ
56|lstFullPath|Full path|Vollständiger Pfad
99|butOK|&OK|&OK
2|butCancel|Cancel|Abbruch
20131|tt_Search|Search|Suchen
20133|tt_Stop|Stop|Abbrechen
20102|tt_MakeShortcut|Make shortcut|Verknüpfung erstellen
20103|tt_RunFile|Run File|Ausführen
20105|tt_EditFile|Edit File|Editieren
20106|tt_CopyFile|Copy File|Kopieren
20107|tt_Move|Move|Verschieben
20108|tt_Rename|Rename|Umbenennen
20109|tt_Delete|Delete|Löschen
20110|tt_Properties|Properties|Eigenschaften
20136|tt_GoTo|Go to|Gehe zu
20112|tt_SaveList|Save List|Liste speichern
20113|tt_ExportList|Export List|Liste exportieren
20114|tt_ExportHTML|Export as HTML|HTML exportieren
20134|tt_RegMod|Register Modules|Module registrieren
20135|tt_UnregMod|Unregister Modules|Module unregistrieren
1101|sb_Exit|Quits the application|Beendet die Anwendung.
1102|sb_NewShcut|Create a new shortcut|Erstellt eine neue Verknüpfung
1103|sb_FileRun|Run an external program|Programm ausführen.
1105|sb_FileEdit|Edit a file|Die markierte Datei editieren.
1106|sb_FileCopy|Copy files and directories|Kopieren von Dateien und Verzeichnissen.
1107|sb_FileMove|Move files and directories|Verschieben von Dateien und Verzeichnissen.
1108|sb_FileRename|Rename files and directories|Umbenennen von Dateien oder Verzeichnissen.
1109|sb_FileDelete|Delete files and directories|Löschen von Dateien und Verzeichnissen.
1110|sb_Properties|Show the file properties|Zeigt/ändert die Eigenschaften des markierten Objekts.
1112|sb_ExportText|Save the result list as a text file|Speichert die aktuelle Liste als Textdatei
1113|sb_ExportCSV|Export result list as a spreadsheet file|Speichert die aktuelle Liste im Tabellenkalkulations-Format (Komma getrennt, *.CSV)
1114|sb_ExportHTML|Export result list as a HTML file|Speichert die aktuelle Liste als HTML-Dokument
1125|sb_SelectAll|Select all|Alles auswählen.
1126|sb_DeSelAll|Deselect all objects|Auswahl löschen.
1127|sb_InvertSel|Invert the selection|Auswahl umkehren.
1131|sb_Find|Starts the search process|Die Suche starten
1133|sb_Stop|Stop the search process|Die Suche anhalten
1134|sb_RegMod|Register a module to Windows Registry database|Ein Modul in der Windows-Registry registrieren
1135|sb_UnregModule|Unregister a module from the Windows Registry database|Ein Modul aus der Windows-Registry entfernen
1136|sb_GoTo|Go to|Gehe zu
1138|sb_NetConn|Network connections|Netzlaufwerk verbinden
1139|sb_NetDisonn|Disconnect network drives|Netzlaufwerk trennen
1141|sb_LargeIcons|Shows the objects with large icons|Zeigt Objekte mit großen Symbole an.
1142|sb_SmallIcons|Shows the objects with small icons|Zeigt Objekte mit kleinen Symbole an.
1143|sb_List|Shows the objects as list|Zeigt Objekte in Listenform an.
1144|sb_Details|Shows information about the objects|Zeigt Informationen über die Objekte im Fenster an.
1145|sb_Toolbar|Shows or hides the toolbar|Blendet die Symbolleiste ein oder aus.
1146|sb_StatusBar|Shows or hides the status bar|Blendet die Statusleiste ein oder aus.
1147|sb_Icons|Shows or hides the icons|Blendet die Symbolle ein oder aus.
1151|sb_ByName|Sort files alphabetical by name|Sortiert Dateien alphabetisch nach dem Namen.
1152|sb_ByExtension|Sort files alphabetical by extension|Sortiert Dateien alphabetisch nach der Erweiterung.
1153|sb_ByTime|Sort files by time|Sortiert Dateien nach der Zeit.
1154|sb_BySize|Sort files by size|Sortiert Dateien nach der Größe.
1155|sb_ByAttr|Sort files by attributes|Sortiert Dateien nach die Attribute.
1156|sb_ByType|Sort files by type|Sortiert Dateien nach die Typ.
1157|sb_ByPath|Sort files by path|Sortiert Dateien nach die Ort.
1158|sb_Unsort|Show the files in the same order as on the disk|Ausgabe in der Reihenfolge wie auf dem Laufwerk.
1159|sb_Reversed|Reverse the sort order|Sortiert absteigend.
1162|sb_Config|Set various options|Optionen setzen
1163|sb_CfgFilter|Config the filter|Filtereinstellungen
1166|sb_Language|Select the language|Spracheinstellungen
31000|sb_TaskList|Task list|Wechselt zu anderen aktiven Anwendungen
1171|sb_Help|Lists Help topics|Zeigt die Hilfethemen an.
1172|sb_UseHelp|Displays instructions about how to use help|Zeigt Anweisungen zum Verwenden der Hilfe an.
1173|sb_GoOnline|Opens your WWW Browser|Startet Ihren WWW-Browser
1174|sb_About|Displays program information, version number, and copyright|Zeigt Programminformationen an.
60|mskSearchFor|Search for:|Suchen nach:
62|mskLookIn|Look in:|Suchen in:
64|mskContText|Containing text:|Enthaltener Text:
68|optHEX|HEX|HEX
69|mskOptions|Options|Optionen
77|optKeepContText|Keep containing text|Enthaltener Text behalten
70|optInclDir|Recurse folders|Untergeordnete Ordner einbeziehen
71|optWholeWord|Whole word|Nur ganzes Wort suchen
72|optCaseSensitive|Case sensitive|Groß-/Kleinschreibung
78|optUseFilter|With filter|Filter verwenden
80|optSearchArch|Search in compressed files (ZIP, ARJ, ...)|Archivdateien durchsuchen (ZIP, ARJ, ...)
81|optRegularExp|Regular expression|Regulärer Ausdruck
2020|textFile|File|Datei
2021|txtSBTotal|Total|Total
2022|txtSBSelected|Selected|Markiert
2023|txtSBFile|file|Datei
2024|txtSBFiles|files|Dateien
2025|txtSBFolder|folder|Ordner
2026|txtSBFolders|folders|Verzeichnisse
2027|txtSBByte|byte|Byte
2028|txtSBBytes|bytes|Bytes
2029|txtSBCanceled|search canceled|Suche abgebrochen
2030|txtSBNotSearched|not searched|nicht durchsucht
2100|dlgSelectDrive| Select drive(s)| Laufwerkauswahl
2200|dlgSelDateTime| Select the date and time| Datum und Uhrzeit
2211|dlgCurrent|&Current|&Aktuelles
2212|dlgDate|Date|Datum
2213|dlgTime|Time|Zeit
2300|dlgFilter| Filter| Filter
2320|dlgFtlName|File name|Dateiname
2321|dlgFtlDate|Date / Time|Dateidatum
2322|dlgFtlLength|Length|Dateigröße
2323|dlgFtlMask|File mask|Einschließen
2324|dlgFtlExclude|Exclude|Ausschließen
2325|dlgFtlAttr|Attributes|Attribute
2305|dlgFtlReadOnly|Read only|Schreibgeschützt
2306|dlgFtlArchive|Archive|Archiv
2307|dlgFtlSystem|System|System
2308|dlgFtlHidden|Hidden|Versteckt
2309|dlgFtlDir|Directories|Verzeichnis
5100|dlgConfiguration| Configuration| Konfiguration
5200|optGeneral|General Options|Allgemeine Optionen
5201|optFullRowSelect|Full row select|Ganze Zeile auswählen
5202|optShowGridLines|Show grid lines|Gitternetzlinien anzeigen
5203|optIconSysTray|Move the icon to the system tray when minimized|Symbol in Systembereich der Taskleiste wenn mininiert
5204|optAlwaysTop|Always on top|Immer im Vordergrund
5300|optColumns|Columns|Spalten
6300|dlgBrowse|Browse for folders|Ordner suchen
10001|errRegFailed|%s in %s failed.|%s in %s ist fehlgeschlagen.
10002|errRegLoadProc|%s may not be exported, or a corrupt version of %s may be in memory.|%s ist nicht exportiert, oder eine andere Version von %s ist bereits geladen.
10010|errInvalidDate|Invalid date|Ungültiges Datum.
10011|errInvalidTime|Invalid time|Ungültige Zeit.
10020|errHexCharacter|'%s' is not a hexadecimal digit.|'%s' ist keine Hexadezimalziffer.
10021|errHexNoDigits|The byte string holds no hexadecimal digits.|Die Bytefolge enthält keine Hexadezimalziffern.
10022|errRegexInvalid|Invalid regular expression: %s|Ungültiger regulärer Ausdruck: %s
10023|errFolderMissing|The folder %s does not exist.|Der Ordner %s existiert nicht.
6203|dlgCopy|Copy|Kopieren
6204|dlgCopyTo|Copy to|Kopieren nach
6205|dlgMove|Move|Verschieben
6206|dlgMoveTo|Move to|Verschieben nach
)";

struct ExpectedRow {
  uint16_t id;
  std::string key, english, german;
};

// Windows-1252 agrees with Latin-1 on the letters the German texts use.
std::string toWindows1252(const std::string& utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto byte = static_cast<unsigned char>(utf8[i]);
    if ((byte == 0xC2 || byte == 0xC3) && i + 1 < utf8.size())
      out += static_cast<char>(((byte & 0x03) << 6) | (utf8[++i] & 0x3F));
    else
      out += utf8[i];
  }
  return out;
}

std::string withTabs(std::string text) {
  for (std::size_t at = text.find("\\t"); at != std::string::npos; at = text.find("\\t", at))
    text.replace(at, 2, "\t");
  return text;
}

std::vector<ExpectedRow> expectedRows() {
  std::vector<ExpectedRow> rows;
  std::istringstream lines(kExpectedRows);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty()) continue;
    std::vector<std::string> fields;
    std::istringstream cells(line);
    for (std::string cell; std::getline(cells, cell, '|');) fields.push_back(cell);
    rows.push_back({static_cast<uint16_t>(std::stoi(fields.at(0))), fields.at(1),
                    withTabs(fields.at(2)), withTabs(toWindows1252(fields.at(3)))});
  }
  return rows;
}

const LanguageTable& builtIn(const char* code) {
  const LanguageTable* table = findLanguage(builtInLanguages(), code);
  EXPECT_NE(table, nullptr) << code;
  return table ? *table : englishLanguage();
}

std::string fetched(const LanguageTable* table, uint32_t id, std::size_t capacity = 1024) {
  std::vector<char> buffer(capacity + 1, '#');
  getText(table, id, buffer.data(), capacity);
  return capacity == 0 ? std::string(1, buffer[0]) : std::string(buffer.data());
}

TEST(BuiltInLanguages, HoldEveryTextOfTheTableInOrder) {
  const std::vector<ExpectedRow> rows = expectedRows();
  ASSERT_EQ(rows.size(), 185u);
  struct Column {
    const char* code;
    const char* name;
    std::string ExpectedRow::*text;
  };
  const Column columns[] = {{"US", "English", &ExpectedRow::english},
                            {"DE", "German (Deutsch)", &ExpectedRow::german},
                            {"-", "External", &ExpectedRow::key}};
  for (const Column& column : columns) {
    SCOPED_TRACE(column.code);
    const LanguageEntry* entries = builtIn(column.code).entries();
    EXPECT_EQ(entries[0].id, 0);
    EXPECT_STREQ(entries[0].text, column.code);
    EXPECT_EQ(entries[1].id, 1);
    EXPECT_STREQ(entries[1].text, column.name);
    for (std::size_t i = 0; i < rows.size(); ++i) {
      ASSERT_EQ(entries[2 + i].id, rows[i].id) << "row " << i;
      ASSERT_NE(entries[2 + i].text, nullptr);
      EXPECT_EQ(entries[2 + i].text, rows[i].*column.text) << "identifier " << rows[i].id;
    }
    EXPECT_EQ(entries[2 + rows.size()].id, 0);
    EXPECT_EQ(entries[2 + rows.size()].text, nullptr);
  }
  // The escapes of the German texts, byte by byte.
  EXPECT_STREQ(builtIn("DE").text(154),
               "Nach &Gr\xf6\xdf"
               "e");
  EXPECT_STREQ(builtIn("DE").text(102), "&Verkn\xfcpfung erstellen\tStrg+F2");
  EXPECT_STREQ(builtIn("DE").text(125), "Alles Aus&w\xe4hlen\tStrg+A");
}

TEST(BuiltInLanguages, ListOrderAndCodesWithoutRegardToCase) {
  const LanguageList list = builtInLanguages();
  ASSERT_EQ(list.size(), 3u);
  EXPECT_STREQ(list[0]->code(), "US");
  EXPECT_STREQ(list[1]->code(), "DE");
  EXPECT_STREQ(list[2]->code(), "-");
  EXPECT_EQ(list[0], &englishLanguage());
  EXPECT_EQ(&englishTexts(), static_cast<const TextLookup*>(&englishLanguage()));

  const struct {
    const char* code;
    const LanguageTable* table;
  } cases[] = {{"de", list[1]}, {"De", list[1]}, {"us", list[0]},
               {"US", list[0]}, {"-", list[2]},  {"DEU", nullptr},
               {"D", nullptr},  {"", nullptr},   {nullptr, nullptr}};
  for (const auto& c : cases)
    EXPECT_EQ(findLanguage(list, c.code), c.table) << (c.code ? c.code : "(null)");
}

TEST(GetText, CutsAndTurnsEscapedTabsIntoTabs) {
  const LanguageEntry entries[] = {{0, "XX"},      {1, "Test"},         {10, "a\\tb"},
                                   {11, "\\t\\t"}, {12, "back\\slash"}, {13, "real\ttab"},
                                   {14, nullptr},  {0, nullptr}};
  const LanguageTable table(entries);
  const struct {
    uint32_t id;
    std::size_t capacity;
    const char* expected;
  } cases[] = {
      {10, 100, "a\tb"},
      {10, 5, "a\tb"},
      {10, 4, "a\t"},
      {10, 3, "a"},  // no lone '\'
      {10, 2, "a"},
      {10, 1, ""},
      {11, 4, "\t"},
      {11, 5, "\t\t"},
      {12, 100, "back\\slash"},
      {13, 100, "real\ttab"},
      {13, 5, "real"},
      {14, 100, ""},
      {1, 100, "Test"},
      {0, 100, ""},
      {99, 100, ""},
      {0x10000 + 10, 100, ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(fetched(&table, c.id, c.capacity), c.expected)
        << "id " << c.id << " capacity " << c.capacity;
  EXPECT_EQ(fetched(&table, 10, 0), "#");  // nothing written at all
  EXPECT_EQ(fetched(nullptr, 10), "");
  EXPECT_STREQ(table.text(10), "a\\tb");  // stored as it came
  EXPECT_STREQ(table.text(0), "");
  EXPECT_EQ(fetched(&englishLanguage(), 102, 51), "Ma&ke shortcut\tCtrl+F2");
  EXPECT_EQ(fetched(&englishLanguage(), kTextTotal), "Total");
}

// A language folder for one test: the program's files are named from "<folder>/Ostry".
class LanguageFolder : public ::testing::Test {
 protected:
  void write(const std::string& code, const std::string& contents) {
    tree.file("Ostry_" + code + ".LNG", contents);
  }
  std::unique_ptr<LanguageTable> load(const char* code) {
    return loadLanguageFile(builtInLanguages(), base, code);
  }

  testing::TempTree tree;
  const std::string base = tree.native("Ostry");
};

TEST_F(LanguageFolder, ValuesOfTheFileMenuText) {
  const std::string longValue(300, 'x');
  const struct {
    std::string lines;
    std::string expected;
  } cases[] = {
      {"mnuFile_________=&Fichier", "&Fichier"},
      {"mnuFile=&Fichier", "&File"},  // not padded: not found
      {"mnuFile_________=", "&File"},
      {"mnuFile_________=\r\nother", "&File"},
      {"mnuFile_________=one\\ntwo", "one\ntwo"},
      {"mnuFile_________=a\\tb", "a\\tb"},  // a tab only once fetched
      {"mnuFile_________=" + longValue, longValue.substr(0, 255)},
      {"mnuFile_________=cr\rlf", "cr"},
      {"mnuFile_________=lf\nx", "lf"},
      {"mnuFile_________ =spaced", "&File"},
      {"MNUFILE_________=upper", "&File"},
      {"mnuFile_________ first\r\nmnuFile_________=second", "&File"},  // first one counts
      {"[Other]\r\n\r\nmnuFile_________=anywhere", "anywhere"},
      {std::string("mnuFile_________=nul\0after", 26), "nul"},
  };
  for (const auto& c : cases) {
    write("XX", "[Text]\r\nLanguage=Test\r\n" + c.lines);
    const auto table = load("XX");
    ASSERT_NE(table, nullptr) << c.lines;
    EXPECT_EQ(std::string(table->text(100)), c.expected) << c.lines;
    EXPECT_STREQ(table->text(101), "E&xit") << c.lines;  // absent: English
  }
}

TEST_F(LanguageFolder, LoadedTableShapeAndDisplayName) {
  write("xX", "mnuLanguage_____=Sprache\r\nLanguage=Testisch\r\nsb_Find_________=Los\r\n");
  const auto table = load("xX");
  ASSERT_NE(table, nullptr);
  EXPECT_STREQ(table->code(), "xX");
  EXPECT_STREQ(table->displayName(), "Testisch");
  EXPECT_STREQ(table->text(166), "Sprache");
  EXPECT_STREQ(table->text(1131), "Los");
  EXPECT_EQ(fetched(table.get(), 102), "Ma&ke shortcut\tCtrl+F2");
  // Same identifiers in the same order as the key table.
  const LanguageEntry* keys = builtIn("-").entries();
  std::size_t i = 1;
  for (; keys[i].id != 0; ++i) EXPECT_EQ(table->entries()[i].id, keys[i].id);
  EXPECT_EQ(table->entries()[i].id, 0);
  EXPECT_EQ(table->entries()[i].text, nullptr);

  const struct {
    std::string file;
    const char* name;
  } names[] = {{"Language=", "External"},
               {"[Text]\r\n", "External"},
               {"Language =spaced\r\nLanguage=Second", "Second"},
               {"Language=\\nraw", "\\nraw"}};
  for (const auto& n : names) {
    write("XX", n.file);
    const auto named = load("XX");
    ASSERT_NE(named, nullptr);
    EXPECT_STREQ(named->displayName(), n.name) << n.file;
  }
}

TEST_F(LanguageFolder, FallsBackToTheUsFileThenToNothing) {
  EXPECT_EQ(load("FR"), nullptr);
  write("US", "Language=American\r\nmnuFile_________=&Dossier\r\n");
  const auto fallback = load("FR");
  ASSERT_NE(fallback, nullptr);
  EXPECT_STREQ(fallback->displayName(), "American");
  EXPECT_STREQ(fallback->code(), "FR");
  EXPECT_STREQ(fallback->text(100), "&Dossier");

  // A one-character code is named with a blank after it.
  write("F ", "Language=Short\r\n");
  const auto shortCode = load("F");
  ASSERT_NE(shortCode, nullptr);
  EXPECT_STREQ(shortCode->displayName(), "Short");
  EXPECT_STREQ(shortCode->code(), "F ");

  // Without the key table no file can be read.
  const LanguageTable* withoutKeys[] = {&englishLanguage(), &builtIn("DE")};
  EXPECT_EQ(loadLanguageFile(withoutKeys, base, "US"), nullptr);
}

TEST_F(LanguageFolder, TemplateReadsBackAsTheEnglishTable) {
  ASSERT_EQ(writeLanguageTemplate(builtInLanguages(), base, nullptr), 0);
  const std::string written = testing::readFile(tree.root() / "Ostry_US.LNG");
  EXPECT_EQ(written.rfind("[Text]\r\nLanguage=English\r\nmnuFile_________=&File\r\n", 0), 0u);
  EXPECT_NE(written.find("\r\nmnuMakeShortcut_=Ma&ke shortcut\\tCtrl+F2\r\n"), std::string::npos);
  EXPECT_NE(written.find("\r\ndlgMoveTo_______=Move to\r\n"), std::string::npos);
  EXPECT_EQ(written.find('\t'), std::string::npos);
  EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 2 + 185);

  const auto table = load("US");
  ASSERT_NE(table, nullptr);
  EXPECT_STREQ(table->displayName(), "English");
  const LanguageEntry* english = englishLanguage().entries();
  std::size_t i = 1;
  for (; english[i].id != 0; ++i) {
    EXPECT_EQ(table->entries()[i].id, english[i].id);
    EXPECT_EQ(fetched(table.get(), english[i].id), english[i].text);
  }
  EXPECT_EQ(table->entries()[i].id, 0);

  const LanguageTable* withoutKeys[] = {&englishLanguage()};
  EXPECT_NE(writeLanguageTemplate(withoutKeys, tree.native("Other"), nullptr), 0);
  EXPECT_FALSE(std::filesystem::exists(tree.root() / "Other_US.LNG"));
}

TEST_F(LanguageFolder, ChoicesListLanguagesOnceAndByName) {
  write("US", "[Text]\r\nLanguage=American\r\n");   // the built-in English holds "US"
  write("de", "[Text]\r\nLanguage=Deutsch 2\r\n");  // nor a second German
  write("FR",
        "[Text]\r\nLanguage=Fran\xe7"
        "ais\r\n");
  write("IT", "[Text]\r\nLanguage=\r\n");             // no display name
  write("NL", "[Other]\r\nLanguage=Nederlands\r\n");  // not in section Text
  write("ABC", "[Text]\r\nLanguage=Three\r\n");
  tree.file("Other_ES.LNG", "[Text]\r\nLanguage=Espanol\r\n");
  tree.folder("Ostry_PT.LNG");
  tree.file("ostry_pl.lng", "[Text]\r\nLanguage=Polski\r\n");

  const std::vector<LanguageChoice> choices = languageChoices(builtInLanguages(), base);
  std::vector<std::string> seen;
  for (const LanguageChoice& choice : choices)
    seen.push_back(choice.code + "=" + choice.displayName);
  ASSERT_GE(seen.size(), 2u);
  EXPECT_EQ(seen[0], "US=English");
  EXPECT_EQ(seen[1], "DE=German (Deutsch)");
  std::sort(seen.begin() + 2, seen.end());
  EXPECT_EQ(seen, (std::vector<std::string>{"US=English", "DE=German (Deutsch)",
                                            "FR=Fran\xe7"
                                            "ais",
                                            "pl=Polski"}));

  // Tables that name no language are not offered.
  const LanguageEntry internal[] = {{0, "-X"}, {1, "Internal"}, {0, nullptr}};
  const LanguageEntry oneLetter[] = {{0, "Q"}, {1, "Q language"}, {0, nullptr}};
  const LanguageEntry longCode[] = {{0, "ABCD"}, {1, "Long"}, {0, nullptr}};
  const LanguageTable tables[] = {LanguageTable(internal), LanguageTable(oneLetter),
                                  LanguageTable(longCode)};
  const LanguageTable* list[] = {&tables[0], &tables[1], &tables[2]};
  const std::vector<LanguageChoice> listed = languageChoices(list, base);
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].code, "ABC");
}

TEST(HelpFiles, OwnLanguageFirstThenUsForWhatIsMissing) {
  const struct {
    const char* code;
    std::vector<std::string> existing;
    std::vector<std::string> expected;
  } cases[] = {
      {"DE",
       {"B_DE.CHM", "B_DE.HLP", "B_DE.HTM", "B_US.CHM"},
       {"B_DE.CHM", "B_DE.HLP", "B_DE.HTM"}},
      {"DE",
       {"B_DE.HTM", "B_US.CHM", "B_US.HLP", "B_US.HTM"},
       {"B_DE.HTM", "B_US.CHM", "B_US.HLP"}},
      {"DE", {"B_US.HLP"}, {"B_US.HLP"}},
      {"US", {"B_US.HTM", "B_US.CHM"}, {"B_US.CHM", "B_US.HTM"}},
      {"d", {"B_d .HLP", "B_US.CHM"}, {"B_d .HLP", "B_US.CHM"}},
      {"DE", {}, {}},
  };
  for (const auto& c : cases) {
    const auto exists = [&](const std::string& path) {
      return std::find(c.existing.begin(), c.existing.end(), path) != c.existing.end();
    };
    std::vector<std::string> paths;
    for (const HelpFile& file : helpFilesToTry("B", c.code, exists)) {
      paths.push_back(file.path);
      const std::string extension = file.path.substr(file.path.size() - 3);
      const HelpKind kind = extension == "CHM"   ? HelpKind::Chm
                            : extension == "HLP" ? HelpKind::Hlp
                                                 : HelpKind::Htm;
      EXPECT_EQ(file.kind, kind) << file.path;
    }
    EXPECT_EQ(paths, c.expected) << c.code;
  }
}

// "100(102,-,111(112))": commands, "-" for separators, popups in brackets, "!" for
// right-justified items.
std::string menuOutline(const MenuItem* items) {
  std::string outline;
  for (const MenuItem* item = items; item->command != 0; ++item) {
    if (!outline.empty()) outline += ",";
    if (item->command == kMenuSeparatorCommand) {
      EXPECT_EQ(item->type, kMenuItemSeparator);
      EXPECT_EQ(item->popup, nullptr);
      outline += "-";
      continue;
    }
    outline += std::to_string(item->command);
    if (item->type == kMenuItemRightJustified)
      outline += "!";
    else
      EXPECT_EQ(item->type, kMenuItemPlain);
    if (item->popup) outline += "(" + menuOutline(item->popup) + ")";
  }
  return outline;
}

TEST(MenuTemplate, TreeAndTexts) {
  MenuItem* bar = mainMenuTemplate();
  EXPECT_EQ(menuOutline(bar),
            "100(102,103,105,106,107,108,109,-,111(112,113,114),-,110,-,101),"
            "120(125,126,127),"
            "140(145,146,147,-,141,142,143,144,-,150(151,152,153,154,156,157,158,-,159)),"
            "130(131,133,-,134,135,-,138,139,-,136),"
            "160(162,163,-,166),"
            "30000!,"
            "170!(171,172,-,173,-,174)");

  ASSERT_TRUE(fillMenuTexts(bar, &builtIn("DE")));
  EXPECT_STREQ(bar[0].text, "&Datei");
  EXPECT_STREQ(bar[0].popup[7].text, "");  // separator
  EXPECT_STREQ(bar[0].popup[8].popup[0].text, "als &Text...");
  EXPECT_STREQ(bar[0].popup[0].text, "&Verkn\xfcpfung erstellen\tStrg+F2");
  ASSERT_TRUE(fillMenuTexts(bar, &englishLanguage()));
  EXPECT_STREQ(bar[5].text, "&Switch list");
  EXPECT_STREQ(bar[6].popup[5].text, "&About...");

  // A text longer than the buffer is cut to it.
  const std::string longText(80, 'L');
  const LanguageEntry entries[] = {{0, "XX"}, {1, "X"}, {100, longText.c_str()}, {0, nullptr}};
  const LanguageTable partial(entries);
  MenuItem file[] = {{100, kMenuItemPlain, nullptr, {}}, {0, 0, nullptr, {}}};
  EXPECT_TRUE(fillMenuTexts(file, &partial));
  EXPECT_EQ(std::string(file[0].text), longText.substr(0, kMenuTextCapacity - 1));
  // Any menu text missing fails the whole build.
  EXPECT_FALSE(fillMenuTexts(bar, &partial));
  EXPECT_FALSE(fillMenuTexts(bar, nullptr));
}

// Relabelling a dialog leaves a control blank when its text is missing.
TEST(DialogLabels, EveryLabelHasATextInBothLanguages) {
  const struct {
    LabelledWindow window;
    uint16_t caption;
    std::size_t controls;
  } cases[] = {
      {LabelledWindow::SearchPanel, 0, 11}, {LabelledWindow::DateTimePicker, 2200, 5},
      {LabelledWindow::Filter, 2300, 13},   {LabelledWindow::DriveSelection, 2100, 2},
      {LabelledWindow::CopyTarget, 0, 2},   {LabelledWindow::Configuration, 5100, 19},
  };
  for (const auto& c : cases) {
    const uint16_t* list = dialogLabels(c.window);
    EXPECT_EQ(list[0], c.caption);
    std::size_t controls = 0;
    for (const uint16_t* id = list; id == list || *id != 0; ++id) {
      if (*id == 0) continue;
      if (id != list) ++controls;
      for (const char* code : {"US", "DE"}) EXPECT_STRNE(builtIn(code).text(*id), "") << *id;
    }
    EXPECT_EQ(controls, c.controls) << c.caption;
  }
}

}  // namespace
}  // namespace ostrya
