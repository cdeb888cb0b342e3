#include "U_emailLogic.h"

#include "Encoding.h"
#include "Streams.h"

#include <filesystem>
#include <system_error>

String EmailFilePath(const String& programFolder, const String& name) {
    return programFolder + "Export" + PathDelim + name + ".txt";
}

void WriteEmailAddresses(TDataSet* list, const String& file, const std::function<void(int walked)>& afterRow) {
    namespace fs = std::filesystem;
    const fs::path target = Utf8ToPath(file);
    fs::path temporary = target;
    temporary += ".part";
    try {
        {
            TFileStream out(PathToUtf8(temporary), fmCreate);
            int walked = 0;
            list->First();
            while (!list->Eof()) {
                const String address = Trim(list->FieldByName("email")->AsString());
                if (!address.empty()) {
                    const AnsiString line = Utf8ToGbk(address) + "\r\n";
                    out.WriteBuffer(line.data(), static_cast<std::int64_t>(line.size()));
                }
                list->Next();
                ++walked;
                if (afterRow) afterRow(walked);
            }
        }
        std::error_code error;
        fs::rename(temporary, target, error);
        if (error) throw EFCreateError("Cannot create file \"" + file + "\". " + error.message());
    } catch (...) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        throw;
    }
}
