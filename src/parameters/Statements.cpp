#include "parameters/Statements.h"

#include "base/Errors.h"

namespace ondrevo {
namespace {

const char* const kCatalogueTables[] = {
    "cmbex_vdocodec",
    "cmbex_vdobitrate",
    "cmbex_vdosize",
    "cmbex_vdofps",
    "cmbex_vdoaspect",
    "cmbex_adocodec",
    "cmbex_adobitrate",
    "cmbex_adochannels",
    "cmbex_adofreq",
};

const char* const kOutputFolderRow = "001";

} // namespace

std::string SqlNumber(long long value)
{
    return std::to_string(value);
}

std::string SqlText(const std::string& value)
{
    std::string quoted;
    quoted.reserve(value.size() + 2);
    quoted += '\'';
    for (char c : value) {
        if (c == '\'')
            quoted += '\'';
        quoted += c;
    }
    quoted += '\'';
    return quoted;
}

const char* CatalogueTable(int tag)
{
    if (tag < 1 || tag > 9)
        throw Exception("No parameter catalogue for selector tag " + std::to_string(tag));
    return kCatalogueTables[tag - 1];
}

bool IsAudioSubTag(int tag)
{
    return tag >= 7 && tag <= 9;
}

std::string CatalogueListStatement(int tag, int audioCodec)
{
    std::string sql = "select cmbex_index,cmbex_name from ";
    sql += CatalogueTable(tag);
    if (IsAudioSubTag(tag))
        sql += " where cmbex_type = " + SqlNumber(audioCodec);
    sql += " order by cmbex_index";
    return sql;
}

std::string FragmentStatement(int tag, int position, int audioCodec)
{
    std::string sql = "select cmbex_cmd from ";
    sql += CatalogueTable(tag);
    sql += " where cmbex_index = " + SqlNumber(position);
    if (IsAudioSubTag(tag))
        sql += " and cmbex_type = " + SqlNumber(audioCodec);
    return sql;
}

std::string SavedPositionStatement(int tag)
{
    return "select cmbex_index from cmbex_itemindex where cmbex_tag = " + SqlNumber(tag);
}

std::string SavedAudioPositionStatement(int tag, int audioCodec)
{
    return "select cmbex_index from cmbex_adoindex where cmbex_tag = " + SqlNumber(tag)
        + " and cmbex_type = " + SqlNumber(audioCodec);
}

std::string SavePositionStatement(int tag, int position)
{
    return "update cmbex_itemindex set cmbex_index = " + SqlNumber(position) + " where cmbex_tag = " + SqlNumber(tag);
}

std::string SaveAudioPositionStatement(int tag, int position, int audioCodec)
{
    return "update cmbex_adoindex set cmbex_index = " + SqlNumber(position) + " where cmbex_tag = " + SqlNumber(tag)
        + " and cmbex_type = " + SqlNumber(audioCodec);
}

std::string AddAudioPositionStatement(int tag, int position, int audioCodec)
{
    const std::string key = "cmbex_tag = " + SqlNumber(tag) + " and cmbex_type = " + SqlNumber(audioCodec);
    return "insert into cmbex_adoindex (cmbex_tag, cmbex_type, cmbex_index) select " + SqlNumber(tag) + ", "
        + SqlNumber(audioCodec) + ", " + SqlNumber(position) + " where not exists (select 1 from cmbex_adoindex where "
        + key + ")";
}

std::string OutputFolderStatement()
{
    return "select dir_name from savedir_videofile where dir_numb = " + SqlText(kOutputFolderRow);
}

std::string SaveOutputFolderStatement(const std::string& folder)
{
    return "update savedir_videofile set dir_name = " + SqlText(folder)
        + " where dir_numb = " + SqlText(kOutputFolderRow);
}

} // namespace ondrevo
