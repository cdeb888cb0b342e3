// Build-time database builder: creates the program's SQLite database from SQL scripts.
//
//   dbbuild OUTPUT PASSWORD SCRIPT...
//
// Compiled for the build host (the database is the same file for every target).
#include "ADODialect.h"

#include <cstdio>
#include <fstream>
#include <sstream>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: dbbuild OUTPUT PASSWORD SCRIPT...\n");
        return 2;
    }
    std::vector<sqldialect::NamedScript> scripts;
    for (int i = 3; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "dbbuild: cannot read %s\n", argv[i]);
            return 1;
        }
        std::ostringstream text;
        text << in.rdbuf();
        scripts.push_back({argv[i], text.str()});
    }
    std::string error;
    if (!sqldialect::BuildDatabaseFile(argv[1], scripts, argv[2], &error)) {
        std::fprintf(stderr, "dbbuild: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
