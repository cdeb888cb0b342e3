#include "U_Data.h"

#include "AppLogic.h"
#include "U_DataLogic.h"
#include "FormFields.h"
#include "Streams.h"
#include "TypeRegistry.h"
#include "U_DataTexts.h"
#include "U_Main.h"

TFrm_Data* Frm_Data = nullptr;

namespace {

String& ProgramFolderOverride() {
    static String folder;
    return folder;
}

}  // namespace

String ProgramFolder() {
    if (!ProgramFolderOverride().empty())
        return ProgramFolderOverride();
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length < buffer.size()) {
            buffer.resize(length);
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    return ExtractFilePath(FromWide(buffer.c_str()));
}

void SetProgramFolder(const String& folder) {
    ProgramFolderOverride() = folder.empty() ? folder : IncludeTrailingPathDelimiter(folder);
}

TFrm_Data::TFrm_Data(TComponent* owner) : TDataModule(owner) {}

TFrm_Data::~TFrm_Data() = default;

void TFrm_Data::Loaded() {
    inherited::Loaded();
    BindComponent(this, ADOConnection1, "ADOConnection1");
    BindComponent(this, Qry_Cust, "Qry_Cust");
    BindComponent(this, DS_Cust, "DS_Cust");
    BindComponent(this, Qry_Contact, "Qry_Contact");
    BindComponent(this, DS_Contact, "DS_Contact");
    BindComponent(this, frDS_Contact, "frDS_Contact");
    BindComponent(this, Qry_Schedule, "Qry_Schedule");
    BindComponent(this, DS_Schedule, "DS_Schedule");
    BindComponent(this, Qry_Bill, "Qry_Bill");
    BindComponent(this, DS_Bill, "DS_Bill");
    BindComponent(this, Qry_BillDetail, "Qry_BillDetail");
    BindComponent(this, DS_BillDetail, "DS_BillDetail");
    BindComponent(this, Qry_Goods, "Qry_Goods");
    BindComponent(this, DS_Goods, "DS_Goods");
    BindComponent(this, Qry_Temp, "Qry_Temp");
    BindComponent(this, Qry_Str, "Qry_Str");
    BindComponent(this, Qry_Del, "Qry_Del");
    BindComponent(this, Qry_FieldShow, "Qry_FieldShow");
    BindComponent(this, Qry_Import, "Qry_Import");
    BindComponent(this, Qry_SoftInfo, "Qry_SoftInfo");
    BindComponent(this, Qry_HY, "Qry_HY");
    BindComponent(this, Qry_Custom, "Qry_Custom");
    BindComponent(this, Qry_Report, "Qry_Report");
}

void TFrm_Data::FormCreate(TObject*) {
    const String folder = ProgramFolder();
    IniFile = std::make_unique<TIniFile>(folder + AppConfig::FileName);
    DbPath = IniFile->ReadString(AppConfig::ConfigSection, AppConfig::DBConnKey, String());
    ConnectionString = BuildConnectionString(folder, DbPath);
    ADOConnection1->SetConnectionString(ConnectionString);
    try {
        ADOConnection1->Open();
        Connected = true;
    } catch (const std::exception&) {
        const int answer = Application->MessageBox(DataTexts::ConnectFailed, DataTexts::ConnectFailedCaption,
                                                   MB_YESNO | MB_ICONINFORMATION);
        if (answer == IDYES)
            IniFile->WriteString(AppConfig::ConfigSection, AppConfig::DBConnKey, String());
        Application->Terminate();
        return;
    }
    OpenQuery(Qry_Custom, "select * from info");
}

bool TFrm_Data::AnswerReport(const String& asked, const char* answered, Variant& value) {
    if (!Frm_Main)
        return false;
    TReportVariableSource source;
    source.Active = Frm_Main->ReportVariablesOn;
    source.Mode = Frm_Main->ReportContactMode;
    source.Report = Qry_Report;
    source.Fallback = Frm_Main->ReportContactText;
    return AnswerReportVariable(asked, answered, source, value);
}

void TFrm_Data::fr_EnveLabelGetValue(const String& ParName, Variant& ParValue) {
    AnswerReport(ParName, "contactname", ParValue);
}

void TFrm_Data::fr_CustBasicGetValue(const String& ParName, Variant& ParValue) {
    AnswerReport(ParName, "contact_name", ParValue);
}

void TFrm_Data::fr_EnvelopGetValue(const String& ParName, Variant& ParValue) {
    AnswerReport(ParName, "contactname", ParValue);
}

void RegisterDataModuleClasses() {
    RegisterDataClasses();
    RegisterReportDataSetClasses();
    RegisterComponentClass<TFrm_Data>();
    RegisterProperties<TFrm_Data>().Handler<&TFrm_Data::FormCreate>("FormCreate");
}
