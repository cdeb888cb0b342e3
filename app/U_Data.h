// The data module: the connection to the database, the queries every window shares, Config.ini.
#pragma once

#include "ADODB.h"
#include "FR_DBSet.h"
#include "Forms.h"
#include "IniFiles.h"

#include <memory>

class TFrm_Data : public TDataModule {
    VESTREL_CLASS(TFrm_Data, TDataModule)
public:
    explicit TFrm_Data(TComponent* owner);
    ~TFrm_Data() override;
    void Loaded() override;

    TADOConnection* ADOConnection1 = nullptr;
    TADOQuery* Qry_Cust = nullptr;
    TDataSource* DS_Cust = nullptr;
    TADOQuery* Qry_Contact = nullptr;
    TDataSource* DS_Contact = nullptr;
    // The report data set over the contacts; nothing walks it.
    TfrDBDataSet* frDS_Contact = nullptr;
    TADOQuery* Qry_Schedule = nullptr;
    TDataSource* DS_Schedule = nullptr;
    TADOQuery* Qry_Bill = nullptr;
    TDataSource* DS_Bill = nullptr;
    TADOQuery* Qry_BillDetail = nullptr;
    TDataSource* DS_BillDetail = nullptr;
    TADOQuery* Qry_Goods = nullptr;
    TDataSource* DS_Goods = nullptr;
    TADOQuery* Qry_Temp = nullptr;
    TADOQuery* Qry_Str = nullptr;
    TADOQuery* Qry_Del = nullptr;
    TADOQuery* Qry_FieldShow = nullptr;
    TADOQuery* Qry_Import = nullptr;
    TADOQuery* Qry_SoftInfo = nullptr;
    TADOQuery* Qry_HY = nullptr;
    TADOQuery* Qry_Custom = nullptr;
    TADOQuery* Qry_Report = nullptr;

    // Config.ini in the program's folder, open for the whole run.
    std::unique_ptr<TIniFile> IniFile;
    // The connection text built at creation.
    String ConnectionString;
    // [Config] DBConn as read at creation.
    String DbPath;
    // Set when the first connection succeeded.
    bool Connected = false;

    // Opens Config.ini and the database; on failure asks whether to use the local database next
    // time and ends the program.
    void FormCreate(TObject* Sender);

    // Report variables of the person and envelope reports (bound to no component): each answers
    // its one name from Qry_Report while the main window switches them on.
    void fr_EnveLabelGetValue(const String& ParName, Variant& ParValue);
    void fr_CustBasicGetValue(const String& ParName, Variant& ParValue);
    void fr_EnvelopGetValue(const String& ParName, Variant& ParValue);

private:
    bool AnswerReport(const String& asked, const char* answered, Variant& value);
};

extern TFrm_Data* Frm_Data;

// The program's folder with its trailing delimiter: the executable's, unless a test chose another.
String ProgramFolder();
// For tests: the folder that stands for the program's ("" restores the executable's).
void SetProgramFolder(const String& folder);

void RegisterDataModuleClasses();
