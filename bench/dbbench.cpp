// Benchmark of the data layer against the sqlite3 shell (driven by bench/run.sh).
//
//   dbbench generate FILE COUNT   build a database of the program's schema with COUNT persons
//   dbbench open FILE             ms to open "select * from custom" (best of 3)
//   dbbench sort FILE FIELDS      ms of Sort := FIELDS on the open data set (best of 3)
//   dbbench filter FILE F1 E1 F2 E2  ms of filtering the open data set by the filter-row
//                                 expressions E1 on field F1 and E2 on F2 (best of 3)
//   dbbench memory FILE           peak bytes the open data set adds to the process
//   dbbench sums FILE             "<recalc ms> <edit ms>": the footer sum of income over the open
//                                 data set walked in full (best of 3), and the aggregate's update
//                                 when one row's income is edited and posted (best of 7 rounds)
#include "ADODB.h"
#include "DBSumList.h"
#include "ADODialect.h"
#include "DbUtilsEh.h"
#include "U_DataLogic.h"
#include "Lists.h"

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>

namespace {

String ReadFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

double NowMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

String Connection(const char* file) {
    return String("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + file + ";Jet OLEDB:Database Password=" +
           kDatabasePassword;
}

long StatusKb(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::size_t n = std::strlen(key);
    while (std::getline(in, line))
        if (line.compare(0, n, key) == 0) return std::atol(line.c_str() + n + 1);
    return -1;
}

int Generate(const char* file, long count) {
    std::string error;
    if (!sqldialect::BuildDatabaseFile(file, {{"schema.sql", ReadFile(VESTREL_SCHEMA)}}, kDatabasePassword, &error)) {
        std::fprintf(stderr, "dbbench: %s\n", error.c_str());
        return 1;
    }
    sqlite3* db = nullptr;
    sqlite3_open_v2(file, &db, SQLITE_OPEN_READWRITE, nullptr);
    sqldialect::RegisterDialect(db);
    sqlite3_exec(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO custom (CustCode, Company, CustType, Category, CustLevel, address, postcode, tel, "
                       "fax, url, email, MainContact, Mobile, OtherInfo, income, introduce, xueli, qq, sex, F_User) "
                       "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17, ?18, ?14, ?19)",
                       -1, &insert, nullptr);
    const char* surnames[] = {"王", "李", "张", "刘", "陈", "杨", "赵", "黄", "周", "吴", "徐", "孙", "胡", "朱", "高", "林"};
    const char* given[] = {"伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "军", "洋", "勇", "艳", "杰", "涛", "明", "超",
                           "秀英", "海燕", "建华", "志强", "晓东", "丽娟"};
    const char* zodiac[] = {"白羊座", "金牛座", "双子座", "巨蟹座", "狮子座", "处女座", "天秤座", "天蝎座", "射手座", "摩羯座", "水瓶座", "双鱼座"};
    const char* blood[] = {"A型", "B型", "O型", "AB型"};
    const char* categories[] = {"01", "0101", "0102", "02", "0201", "0202", "03", "0301", "0302", "04"};
    const char* education[] = {"博士", "硕士", "本科", "大专", "中专", "高中", "其他"};
    const char* cities[] = {"杭州市西湖区文三路", "上海市徐汇区漕溪北路", "南京市鼓楼区中山路", "苏州市工业园区星湖街", "宁波市鄞州区天童南路"};
    const char* users[] = {"Admin", "李明"};
    std::mt19937 random(20240601);
    auto pick = [&](auto& array) { return array[random() % (sizeof array / sizeof array[0])]; };
    char buffer[256];
    for (long i = 1; i <= count; ++i) {
        auto text = [&](int index, const std::string& value) {
            sqlite3_bind_text(insert, index, value.c_str(), int(value.size()), SQLITE_TRANSIENT);
        };
        sqlite3_bind_int64(insert, 1, i);
        text(2, std::string(pick(surnames)) + pick(given) + (random() % 3 == 0 ? pick(given) : ""));
        text(3, pick(zodiac));
        text(4, pick(categories));
        text(5, pick(blood));
        std::snprintf(buffer, sizeof buffer, "%s %u 号", pick(cities), unsigned(random() % 900 + 1));
        text(6, buffer);
        std::snprintf(buffer, sizeof buffer, "%06u", unsigned(random() % 900000 + 100000));
        text(7, buffer);
        std::snprintf(buffer, sizeof buffer, "0571-%08u", unsigned(random() % 90000000 + 10000000));
        text(8, buffer);
        text(9, random() % 4 == 0 ? buffer : "");
        text(10, random() % 5 == 0 ? "www.example.cn" : "");
        std::snprintf(buffer, sizeof buffer, "person%ld@example.cn", i);
        text(11, buffer);
        text(12, std::to_string(20 + random() % 50));
        std::snprintf(buffer, sizeof buffer, "13%09u", unsigned(random() % 1000000000));
        text(13, buffer);
        text(14, random() % 2 ? "男" : "女");
        text(15, std::to_string(30000 + random() % 300000));
        text(16, random() % 3 == 0 ? "朋友介绍认识，常有往来。" : "");
        text(17, pick(education));
        text(18, std::to_string(10000000 + random() % 90000000));
        text(19, pick(users));
        if (sqlite3_step(insert) != SQLITE_DONE) {
            std::fprintf(stderr, "dbbench: %s\n", sqlite3_errmsg(db));
            return 1;
        }
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return 0;
}

struct Opened {
    explicit Opened(const char* file) {
        connection = new TADOConnection(nullptr);
        connection->SetConnectionString(Connection(file));
        connection->Open();
        query = new TADOQuery(nullptr);
        query->SetConnection(connection);
        query->SQL()->Add("select * from custom");
    }
    ~Opened() {
        delete query;
        delete connection;
    }
    TADOConnection* connection;
    TADOQuery* query;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: dbbench generate|open|sort|memory FILE [ARG]\n");
        return 2;
    }
    const String mode = argv[1];
    const char* file = argv[2];
    try {
        if (mode == "generate" && argc == 4) return Generate(file, std::atol(argv[3]));
        if (mode == "open") {
            double best = 1e300;
            for (int run = 0; run < 3; ++run) {
                Opened opened(file);
                const double start = NowMs();
                opened.query->Open();
                best = std::min(best, NowMs() - start);
                if (opened.query->RecordCount() <= 0) return 1;
            }
            std::printf("%.1f\n", best);
            return 0;
        }
        if (mode == "sort" && argc == 4) {
            Opened opened(file);
            opened.query->Open();
            double best = 1e300;
            for (int run = 0; run < 3; ++run) {
                opened.query->SetSort("");
                const double start = NowMs();
                opened.query->SetSort(argv[3]);
                best = std::min(best, NowMs() - start);
            }
            std::printf("%.1f\n", best);
            return 0;
        }
        if (mode == "filter" && argc == 7) {
            Opened opened(file);
            opened.query->Open();
            double best = 1e300;
            int kept = 0;
            for (int run = 0; run < 3; ++run) {
                opened.query->SetFiltered(false);
                const double start = NowMs();
                std::vector<TColumnFilterConditionEh> conditions(2);
                for (int i = 0; i < 2; ++i) {
                    conditions[i].FieldName = argv[3 + 2 * i];
                    conditions[i].Expression.ExpressionType =
                        STFilterExpressionTypeOf(opened.query->FieldByName(conditions[i].FieldName)->DataType());
                    ParseFilterText(argv[4 + 2 * i], conditions[i].Expression);
                }
                opened.query->SetRecordFilter(TColumnFiltersEh::Make(*opened.query, conditions));
                opened.query->SetFiltered(true);
                best = std::min(best, NowMs() - start);
                kept = opened.query->RecordCount();
            }
            std::fprintf(stderr, "dbbench: %d rows kept\n", kept);
            std::printf("%.1f\n", best);
            return 0;
        }
        if (mode == "sums") {
            Opened opened(file);
            opened.query->Open();
            TDBSumListProducer engine(nullptr);
            engine.SumCollection()->Add()->SetFieldName("income");
            engine.SetDataSet(opened.query);
            double recalc = 1e300;
            for (int run = 0; run < 3; ++run) {
                const double start = NowMs();
                engine.RecomputeAll();
                recalc = std::min(recalc, NowMs() - start);
            }
            // One row edited and posted, with the engine on and off: the difference is its update.
            auto editOnce = [&](int value) {
                const double start = NowMs();
                opened.query->Edit();
                opened.query->FieldByName("income")->SetAsString(std::to_string(value));
                opened.query->Post();
                return NowMs() - start;
            };
            // Rounds alternate the engine on and off, each timed edit after an untimed one, so
            // both sides see the same warm caches.
            double with = 1e300, without = 1e300;
            std::int64_t kept = 0;
            int value = 1000;
            for (int round = 0; round < 7; ++round) {
                engine.SetActive(true);
                editOnce(value++);
                with = std::min(with, editOnce(value++));
                kept = engine.SumCollection()->Items(0)->SumValue();
                engine.SetActive(false);
                editOnce(value++);
                without = std::min(without, editOnce(value++));
            }
            if (kept == 0) return 1;
            const double edit = std::max(0.0, with - without);
            std::printf("%.1f %.3f\n", recalc, edit);
            return 0;
        }
        if (mode == "memory") {
            Opened opened(file);
            const long baseline = StatusKb("VmRSS:");
            opened.query->Open();
            const long peak = StatusKb("VmHWM:");
            std::printf("%ld\n", (peak - baseline) * 1024);
            return 0;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "dbbench: %s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "dbbench: unknown mode %s\n", mode.c_str());
    return 2;
}
