#include "FilterFuzzTargets.h"

#include "DbUtilsEh.h"
#include "FormatSettings.h"

void FuzzFilterExpression(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return;
    const TFormatSettings saved = FormatSettings;
    FormatSettings.DecimalSeparator = (data[0] & 8) ? ',' : '.';
    TSTFilterExpressionEh e;
    e.ExpressionType = TSTExpressionTypeEh(data[0] % 5);
    const String text(reinterpret_cast<const char*>(data + 1), size - 1);
    try {
        ParseFilterText(text, e);
    } catch (const Exception&) {
        FormatSettings = saved;
        return;
    }
    const String shown = FilterExpressionText(e);
    TSTFilterExpressionEh again;
    again.ExpressionType = e.ExpressionType;
    try {
        ParseFilterText(shown, again);
    } catch (const Exception&) {
        // Values holding quotes do not read back; the expression stays as it was.
    }
    using dbstore::Cell;
    using dbstore::CellKind;
    const Cell cells[] = {
        {CellKind::Null, 0, 0, {}},           {CellKind::Integer, 7, 0, {}},
        {CellKind::Integer, -1, 0, {}},       {CellKind::Real, 0, 1.5, {}},
        {CellKind::Text, 0, 0, "张三"},        {CellKind::Text, 0, 0, "1990-05-01 00:00:00"},
        {CellKind::Text, 0, 0, "abc"},        {CellKind::Text, 0, 0, ""},
        {CellKind::Text, 0, 0, "True"},       {CellKind::Blob, 0, 0, std::string_view("\0\xff", 2)},
    };
    for (const Cell& cell : cells) {
        FilterExpressionMeets(e, cell);
        FilterExpressionMeets(again, cell);
    }
    FormatSettings = saved;
}
