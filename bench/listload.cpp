// Benchmark of a person-list load in the running program's windows (driven by bench/run-list.sh).
//
//   listload SHIPPED_DATABASE FOLDER [PERSONS] [REPEATS]
//
// A copy of the shipped database grown to PERSONS persons (default 2000) in FOLDER (the program's
// folder for the run: FOLDER/DataBase/Custom.mdb); the program's own forms (data module, main window, login as Admin, the person window).
// Each way is run REPEATS times (default 5); the best run counts, from the command to the end of
// the repaint it caused (the window updated and the message queue empty):
//   quick-search: the quick search over 个人名称 with an empty key (every person)
//   category:     a click on the first category below the root
//   root:         a click on the root (every person)
// Prints one line per way, "<way> <ms>".
#include "ADODB.h"
#include "DBGridEh.h"
#include "U_DataLogic.h"
#include "Forms.h"
#include "U_Custom.h"
#include "U_Data.h"
#include "U_Field.h"
#include "U_Main.h"
#include "U_login.h"
#include "U_tree.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

namespace fs = std::filesystem;

namespace {

double NowMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// The command, then the repaint it caused, until nothing is left to do.
double Measure(const std::function<void()>& command) {
    Pump();
    const double start = NowMs();
    command();
    RedrawWindow(Frm_Main->Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    Pump();
    return NowMs() - start;
}

double BestOf(int repeats, const std::function<void()>& command) {
    double best = 1e300;
    for (int i = 0; i < repeats; ++i) best = std::min(best, Measure(command));
    return best;
}

// Persons added after the shipped ones, up to `persons` in all.
String GrowScript(int persons) {
    return "WITH RECURSIVE n(i) AS (SELECT (SELECT count(*) FROM custom) + 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
           std::to_string(persons) +
           ")\n"
           "INSERT INTO custom (CustCode, Company, CustType, Category, CustLevel, address, postcode, tel, "
           "email, MainContact, Mobile, OtherInfo, xueli, qq, sex, F_User) SELECT 1000 + i, "
           "printf('%s%d', CASE i % 6 WHEN 0 THEN '王伟' WHEN 1 THEN '李芳' WHEN 2 THEN '张秀英' WHEN 3 "
           "THEN '刘强' WHEN 4 THEN '陈静' ELSE '杨志强' END, i), '白羊座 ', "
           "CASE i % 5 WHEN 0 THEN '0101' WHEN 1 THEN '010201' WHEN 2 THEN '0201' WHEN 3 THEN '0302' ELSE '04' END, "
           "'A', printf('西湖区文三路%d号', i % 500), printf('%06d', 310000 + i % 999), "
           "printf('0571-%08d', i * 7 % 100000000), printf('user%d@example.com', i), printf('%d', 20 + i % 50), "
           "printf('139%08d', i), CASE i % 2 WHEN 0 THEN '男' ELSE '女' END, '本科', printf('%d', 10000 + i * 3), "
           "CASE i % 2 WHEN 0 THEN '男' ELSE '女' END, 'Admin' FROM n WHERE i <= " + std::to_string(persons);
}

int Run(const fs::path& shipped, const fs::path& folder, int persons, int repeats) {
    fs::remove_all(folder);
    fs::create_directories(folder / "DataBase");
    const fs::path database = folder / "DataBase" / "Custom.mdb";
    fs::copy_file(shipped, database);
    SetProgramFolder(PathToUtf8(folder));

    FormsInitialization();
    RegisterDataClasses();
    GridLibraryInitialization();
    RegisterDataModuleClasses();
    RegisterMainClasses();
    RegisterLoginClasses();
    RegisterTreeClasses();
    RegisterFieldClasses();
    RegisterCustomClasses();
    Application->Initialize();
    Application->CreateForm(Frm_Main);
    Application->CreateForm(Frm_Data);
    if (!Frm_Data->Connected) {
        std::fprintf(stderr, "listload: the database does not open\n");
        return 1;
    }
    Frm_Data->ADOConnection1->Execute(GrowScript(persons));
    Application->CreateForm(Frm_Login);
    Frm_Login->Show();
    Pump();
    Frm_Login->Combo_User->SetItemIndex(0);
    Frm_Login->Edit_Pass->SetText(String());
    Frm_Login->Btn_okClick(nullptr);
    if (!Frm_Login->LoginOk) {
        std::fprintf(stderr, "listload: Admin cannot log in\n");
        return 1;
    }
    Frm_Main->Show();
    Pump();
    TFrm_Custom* window = Frm_Custom;
    if (!window) {
        std::fprintf(stderr, "listload: the main window shows no person window\n");
        return 1;
    }
    const int byName = window->Combo_Type->Items()->IndexOf("个人名称");
    TTreeNode* root = window->TreeView1->Items()->GetFirstNode();
    TTreeNode* category = root ? root->GetFirstChild() : nullptr;
    if (byName < 0 || !category) {
        std::fprintf(stderr, "listload: no 个人名称 search column or no category\n");
        return 1;
    }

    const double quick = BestOf(repeats, [&] {
        window->Combo_Type->SetItemIndex(byName);
        window->Edit_Key->SetText(String());
        window->Btn_S_CustClick(nullptr);
    });
    if (Frm_Data->Qry_Cust->RecordCount() != persons) {
        std::fprintf(stderr, "listload: the quick search lists %d persons, not %d\n", Frm_Data->Qry_Cust->RecordCount(),
                     persons);
        return 1;
    }
    const double byCategory = BestOf(repeats, [&] {
        category->SetSelected(true);
        window->TreeView1Click(nullptr);
    });
    const double all = BestOf(repeats, [&] {
        root->SetSelected(true);
        window->TreeView1Click(nullptr);
    });
    // Where a root click's time goes: the statement, the column set-up, the repaint.
    const double query = BestOf(repeats, [&] { OpenQuery(Frm_Data->Qry_Cust, "Select * from Custom"); });
    const double columns = BestOf(repeats, [&] { SetupGridColumns(window->Grid_Cust, Frm_Data->Qry_Cust, "Custom"); });
    const double paint = BestOf(repeats, [&] {
        RedrawWindow(Frm_Main->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    });
    std::printf("quick-search %.1f\ncategory %.1f\nroot %.1f\n", quick, byCategory, all);
    std::printf("root-statement %.1f\nroot-columns %.1f\nrepaint %.1f\n", query, columns, paint);
    std::fflush(stdout);
    Frm_Login->Free();
    Frm_Login = nullptr;
    Frm_Data->Free();
    Frm_Data = nullptr;
    Frm_Main->Free();
    Frm_Main = nullptr;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: listload SHIPPED_DATABASE FOLDER [PERSONS] [REPEATS]\n");
        return 2;
    }
    const int persons = argc > 3 ? std::atoi(argv[3]) : 2000;
    const int repeats = argc > 4 ? std::atoi(argv[4]) : 5;
    try {
        return Run(fs::path(Utf8ToPath(argv[1])), fs::path(Utf8ToPath(argv[2])), persons, repeats);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "listload: %s\n", e.what());
        return 1;
    }
}
