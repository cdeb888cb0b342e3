#include "U_ImportLogic.h"

#include "ADODB.h"
#include "Encoding.h"
#include "U_DataLogic.h"

namespace {

bool IsFamilyText(TField* field) {
    switch (field->DataType()) {
    case ftString:
    case ftWideString:
    case ftFixedChar:
        return true;
    default:
        return false;
    }
}

// The target field of `column` in `list`; a column the table does not have raises.
TField* TargetField(TADOQuery* list, const TImportColumn& column, const char* table) {
    TField* field = list->FindField(column.Target);
    if (!field)
        throw EImportError("表" + String(table) + "中没有字段“" + column.Target + "”，请检查导入映射。");
    return field;
}

}  // namespace

void RecordHeaders(TADOConnection* connection, TADOQuery* temp, const TImportSheet& sheet) {
    connection->BeginTrans();
    try {
        connection->Execute("delete from T_Temp");
        OpenQuery(temp, kImportTempSql);
        for (int i = 1; i <= sheet.Columns; ++i) {
            temp->Append();
            temp->FieldByName("S_Field")->SetAsString(sheet.Text(1, i));
            temp->FieldByName("CellID")->SetAsInteger(i);
            temp->Post();
        }
        connection->CommitTrans();
    } catch (const std::exception&) {
        try {
            if (temp->State() != dsBrowse && temp->Active()) temp->Cancel();
            if (connection->InTransaction()) connection->RollbackTrans();
            OpenQuery(temp, kImportTempSql);
        } catch (const std::exception&) {
        }
    }
}

void PrefillMapping(TADOQuery* mapping, TADOQuery* temp) {
    mapping->First();
    temp->First();
    const int headers = temp->RecordCount();
    int h = 1;
    while (!mapping->Eof()) {
        mapping->Edit();
        if (h <= headers) {
            mapping->FieldByName("F_Field")->SetAsString(temp->FieldByName("S_Field")->AsString());
            mapping->Post();
            temp->Next();
            ++h;
        } else {
            mapping->FieldByName("F_Field")->SetAsString(String());
            mapping->Post();
        }
        mapping->Next();
    }
}

String ImportMappingSql(const char* table) {
    return String("select * from T_Import where F_Field<>' ' and tablename='") + table + "'";
}

String ImportCellIdSql(const String& header) {
    return "select * from T_Temp where S_Field=" + QuotedSql(header);
}

std::vector<TImportColumn> ReadImportColumns(TADOQuery* field, TADOQuery* cellId, const char* table) {
    std::vector<TImportColumn> columns;
    OpenQuery(field, ImportMappingSql(table));
    field->First();
    while (!field->Eof()) {
        TImportColumn column;
        column.Target = field->FieldByName("S_Field")->AsString();
        column.Header = field->FieldByName("F_Field")->AsString();
        field->Next();
        // An empty text maps nothing, as a single blank does.
        if (Trim(column.Header).empty())
            continue;
        OpenQuery(cellId, ImportCellIdSql(column.Header));
        if (cellId->IsEmpty())
            throw EImportError("工作表中没有名为“" + column.Header + "”的列，请重新选择“" + column.Target + "”对应的Excel列。");
        cellId->First();
        column.Column = cellId->FieldByName("CellID")->AsInteger();
        columns.push_back(column);
    }
    return columns;
}

int ImportSheetRows(const TImportTargets& targets, const std::vector<TImportColumn>& personColumns,
                    const std::vector<TImportColumn>& contactColumns, const TImportSheet& sheet) {
    TADOQuery* persons = targets.Persons;
    TADOQuery* contacts = targets.Contacts;
    std::vector<TField*> personFields, contactFields;
    // A person target "Name" is left out.
    for (const TImportColumn& c : personColumns)
        personFields.push_back(c.Target == "Name" ? nullptr : TargetField(persons, c, "custom"));
    for (const TImportColumn& c : contactColumns) contactFields.push_back(TargetField(contacts, c, "contact"));

    // Every text must fit its column before anything is written.
    auto check = [&](const std::vector<TImportColumn>& columns, const std::vector<TField*>& fields) {
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (!fields[i] || !IsFamilyText(fields[i]) || fields[i]->Size() <= 0) continue;
            for (int r = 2; r <= sheet.Rows; ++r) {
                const std::size_t length = Utf8Length(sheet.Text(r, columns[i].Column));
                if (length > std::size_t(fields[i]->Size()))
                    throw EImportError("第 " + std::to_string(r) + " 行“" + columns[i].Header + "”列的内容有 " +
                                       std::to_string(length) + " 个字符，超过了“" + columns[i].Target + "”的长度 " +
                                       std::to_string(fields[i]->Size()) + "。没有导入任何记录。");
            }
        }
    };
    check(personColumns, personFields);
    check(contactColumns, contactFields);

    OpenQuery(targets.Work, "select max(CustCode) as T_Code from Custom");
    int code = targets.Work->FieldByName("T_Code")->AsInteger();

    TADOConnection* connection = targets.Connection;
    int imported = 0;
    connection->BeginTrans();
    for (int r = 2; r <= sheet.Rows; ++r) {
        ++code;
        connection->BeginTrans();
        try {
            persons->Append();
            persons->FieldByName("CustCode")->SetAsInteger(code);
            persons->FieldByName("F_User")->SetAsString(targets.OperatorName);
            for (std::size_t i = 0; i < personColumns.size(); ++i)
                if (personFields[i])
                    personFields[i]->SetAsString(sheet.Text(r, personColumns[i].Column));
            persons->Post();
            contacts->Append();
            contacts->FieldByName("CustCode")->SetAsInteger(code);
            contacts->FieldByName("F_User")->SetAsString(targets.OperatorName);
            for (std::size_t i = 0; i < contactColumns.size(); ++i)
                contactFields[i]->SetAsString(sheet.Text(r, contactColumns[i].Column));
            contacts->Post();
            connection->CommitTrans();
            ++imported;
        } catch (const std::exception& e) {
            // Nothing of this row stays; the rows before it do.
            String detail = e.what();
            try {
                if (persons->State() != dsBrowse) persons->Cancel();
                if (contacts->State() != dsBrowse) contacts->Cancel();
                connection->RollbackTrans();
                connection->CommitTrans();
                persons->Close();
                persons->Open();
                contacts->Close();
                contacts->Open();
            } catch (const std::exception& cleanup) {
                detail += String("; ") + cleanup.what();
            }
            throw EImportError("导入Excel第 " + std::to_string(r) + " 行时出错：" + detail + "\n此前的 " +
                               std::to_string(imported) + " 条记录已经导入。");
        }
    }
    connection->CommitTrans();
    return imported;
}
