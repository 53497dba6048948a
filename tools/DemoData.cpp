// olvarin-demodata: writes the SQL that fills a headquarters database (created
// from schema/tables.sql and schema/queues.sql) with a small chain's sample data:
// product categories, products with packaging, vendors, customers, the five kinds
// of bills, and the wait queues of two stores, 0001 and 0002.
//
//   olvarin-demodata [--today yyyy/mm/dd] [--output file]
//
// The data is the same on every run for the same --today (a fixed seed); dates
// are counted from --today (default: the local date), so that the price-change
// bills fall in the past, on the day itself and in the future. Load the output
// with isql-fb using the UTF8 connection character set (-ch UTF8).

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/Clock.h"

namespace {

// ---- dates ------------------------------------------------------------------

class Day {
  public:
    explicit Day(std::chrono::sys_days days) : days_(days) {}

    static std::optional<Day> parse(std::string_view text) {
        if (text.size() != 10 || text[4] != '/' || text[7] != '/') return std::nullopt;
        for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
            if (text[i] < '0' || text[i] > '9') return std::nullopt;
        }
        const int year = std::stoi(std::string(text.substr(0, 4)));
        const unsigned month = static_cast<unsigned>(std::stoi(std::string(text.substr(5, 2))));
        const unsigned day = static_cast<unsigned>(std::stoi(std::string(text.substr(8, 2))));
        const std::chrono::year_month_day ymd{std::chrono::year{year}, std::chrono::month{month},
                                              std::chrono::day{day}};
        if (!ymd.ok()) return std::nullopt;
        return Day(std::chrono::sys_days{ymd});
    }

    static Day today() {
        const base::LocalDateTime now = base::now();
        return Day(std::chrono::sys_days{std::chrono::year_month_day{
            std::chrono::year{now.year}, std::chrono::month{static_cast<unsigned>(now.month)},
            std::chrono::day{static_cast<unsigned>(now.day)}}});
    }

    Day plus(int days) const { return Day(days_ + std::chrono::days{days}); }

    // "yyyy/mm/dd", the form the chain keeps its change dates in.
    std::string text() const { return format("%04d/%02u/%02u"); }
    // "yyyymmdd", used inside bill numbers.
    std::string compact() const { return format("%04d%02u%02u"); }

  private:
    std::string format(const char* pattern) const {
        const std::chrono::year_month_day ymd{days_};
        char buf[16];
        std::snprintf(buf, sizeof buf, pattern, static_cast<int>(ymd.year()),
                      static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
        return buf;
    }

    std::chrono::sys_days days_;
};

// ---- deterministic choices --------------------------------------------------

// mt19937's sequence is fixed by the standard; the distributions are not, so
// the mapping to a range is done here.
class Random {
  public:
    explicit Random(std::uint32_t seed) : engine_(seed) {}

    int below(int n) { return static_cast<int>(engine_() % static_cast<std::uint32_t>(n)); }
    int between(int low, int high) { return low + below(high - low + 1); }
    bool chance(int percent) { return below(100) < percent; }

    template <typename T>
    const T& pick(const std::vector<T>& items) {
        return items[static_cast<size_t>(below(static_cast<int>(items.size())))];
    }

    template <typename T>
    void shuffle(std::vector<T>& items) {
        for (size_t i = items.size(); i > 1; --i) {
            std::swap(items[i - 1], items[static_cast<size_t>(below(static_cast<int>(i)))]);
        }
    }

  private:
    std::mt19937 engine_;
};

// ---- SQL text ---------------------------------------------------------------

std::string quoted(std::string_view text) {
    std::string out = "'";
    for (char c : text) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out + "'";
}

const std::string kNull = "NULL";

std::string orNull(const std::string& text) {
    return text.empty() ? kNull : quoted(text);
}

// A fixed-point value held as an integer count of 10^-scale units.
std::string fixed(std::int64_t units, int scale) {
    std::int64_t divisor = 1;
    for (int i = 0; i < scale; ++i) divisor *= 10;
    const bool negative = units < 0;
    const std::int64_t magnitude = negative ? -units : units;
    char buf[48];
    std::snprintf(buf, sizeof buf, "%s%lld.%0*lld", negative ? "-" : "",
                  static_cast<long long>(magnitude / divisor), scale,
                  static_cast<long long>(magnitude % divisor));
    return buf;
}

std::string dollars(int amount) {
    return fixed(amount * 100LL, 2);
}
std::string cost(std::int64_t tenThousandths) {
    return fixed(tenThousandths, 4);
}
std::string integer(int value) {
    return std::to_string(value);
}

std::string hhmmss(int seconds) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return buf;
}

std::string zeroPadded(int value, int width) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%0*d", width, value);
    return buf;
}

class SqlOut {
  public:
    explicit SqlOut(std::ostream& out) : out_(out) {}

    void comment(std::string_view text) { out_ << "\n-- " << text << '\n'; }
    void line(std::string_view text) { out_ << text << '\n'; }

    void insert(std::string_view table, std::string_view columns,
                const std::vector<std::string>& values) {
        out_ << "INSERT INTO " << table << " (" << columns << ") VALUES (";
        for (size_t i = 0; i < values.size(); ++i) out_ << (i ? ", " : "") << values[i];
        out_ << ");\n";
    }

  private:
    std::ostream& out_;
};

// ---- the catalogue ----------------------------------------------------------

struct SmallCategory {
    std::string id;
    std::string item;  // the product word, also the category's name
};

struct MiddleCategory {
    std::string id;
    std::string name;
    std::vector<std::string> brands;
    std::vector<std::string> sizes;  // smallest first
    std::string unit;
    int basePrice;  // NT$ of the smallest size
    int caseQty;    // units in a carton
    std::vector<SmallCategory> smalls;
};

struct TopCategory {
    std::string id;
    std::string name;
    std::vector<MiddleCategory> middles;
};

const std::vector<TopCategory>& catalogue() {
    static const std::vector<TopCategory> tops = {
        {"01",
         "飲料",
         {
             {"0101",
              "茶飲料",
              {"統一", "御茶園", "光泉", "愛之味"},
              {"375ml", "600ml", "1250ml"},
              "瓶",
              15,
              24,
              {{"010101", "麥香紅茶"}, {"010102", "茉莉綠茶"}, {"010103", "阿薩姆奶茶"}}},
             {"0102",
              "碳酸飲料",
              {"黑松", "金車", "維他露"},
              {"330ml", "600ml", "1250ml"},
              "瓶",
              20,
              24,
              {{"010201", "沙士"}, {"010202", "汽水"}, {"010203", "氣泡水"}}},
             {"0103",
              "果汁",
              {"波蜜", "味全", "光泉"},
              {"250ml", "600ml", "1000ml"},
              "瓶",
              12,
              24,
              {{"010301", "柳橙汁"}, {"010302", "蘋果汁"}, {"010303", "蔬果汁"}}},
             {"0104",
              "咖啡飲料",
              {"伯朗", "貝納頌", "左岸"},
              {"240ml", "290ml", "375ml"},
              "罐",
              20,
              24,
              {{"010401", "拿鐵咖啡"}, {"010402", "黑咖啡"}, {"010403", "曼特寧咖啡"}}},
         }},
        {"02",
         "乳品",
         {
             {"0201",
              "鮮乳",
              {"味全林鳳營", "光泉", "瑞穗", "福樂"},
              {"290ml", "936ml", "1857ml"},
              "瓶",
              30,
              12,
              {{"020101", "全脂鮮乳"}, {"020102", "低脂鮮乳"}, {"020103", "高鈣鮮乳"}}},
             {"0202",
              "優酪乳",
              {"統一", "味全", "光泉"},
              {"200ml", "400ml", "900ml"},
              "瓶",
              25,
              12,
              {{"020201", "原味優酪乳"}, {"020202", "草莓優酪乳"}, {"020203", "藍莓優酪乳"}}},
             {"0203",
              "調味乳",
              {"統一", "光泉", "味全"},
              {"200ml", "290ml", "400ml"},
              "瓶",
              15,
              24,
              {{"020301", "巧克力牛乳"}, {"020302", "麥芽牛乳"}, {"020303", "果汁牛乳"}}},
         }},
        {"03",
         "零食餅乾",
         {
             {"0301",
              "洋芋片",
              {"樂事", "品客", "華元"},
              {"45g", "105g", "180g"},
              "包",
              25,
              20,
              {{"030101", "原味洋芋片"}, {"030102", "海苔洋芋片"}, {"030103", "烤肉洋芋片"}}},
             {"0302",
              "餅乾",
              {"義美", "喜年來", "掬水軒"},
              {"120g", "250g", "450g"},
              "盒",
              35,
              12,
              {{"030201", "蘇打餅乾"}, {"030202", "夾心餅乾"}, {"030203", "蛋捲"}}},
             {"0303",
              "糖果",
              {"森永", "明治", "義美"},
              {"30g", "100g", "300g"},
              "包",
              20,
              24,
              {{"030301", "牛奶糖"}, {"030302", "水果軟糖"}, {"030303", "巧克力"}}},
         }},
        {"04",
         "泡麵調理",
         {
             {"0401",
              "泡麵",
              {"統一", "維力", "味丹"},
              {"85g", "5入", "12入"},
              "包",
              15,
              30,
              {{"040101", "肉燥麵"}, {"040102", "紅燒牛肉麵"}, {"040103", "炸醬麵"}}},
             {"0402",
              "罐頭",
              {"新東陽", "同榮", "愛之味"},
              {"150g", "3入", "6入"},
              "罐",
              30,
              24,
              {{"040201", "肉醬"}, {"040202", "鮪魚罐頭"}, {"040203", "花生麵筋"}}},
             {"0403",
              "調味料",
              {"金蘭", "萬家香", "龜甲萬"},
              {"500ml", "1000ml", "1600ml"},
              "瓶",
              45,
              12,
              {{"040301", "醬油"}, {"040302", "醬油膏"}, {"040303", "烏醋"}}},
         }},
        {"05",
         "日用清潔",
         {
             {"0501",
              "洗衣用品",
              {"白蘭", "一匙靈", "橘子工坊"},
              {"1.5kg", "2.7kg", "4kg"},
              "包",
              150,
              6,
              {{"050101", "洗衣粉"}, {"050102", "洗衣精"}, {"050103", "柔軟精"}}},
             {"0502",
              "紙品",
              {"舒潔", "五月花", "春風"},
              {"100抽", "6包", "12包"},
              "串",
              30,
              8,
              {{"050201", "抽取式衛生紙"}, {"050202", "廚房紙巾"}, {"050203", "盒裝面紙"}}},
             {"0503",
              "廚房清潔",
              {"泡舒", "妙管家", "白鴿"},
              {"500g", "1000g", "2000g"},
              "瓶",
              45,
              12,
              {{"050301", "洗碗精"}, {"050302", "去油清潔劑"}, {"050303", "漂白水"}}},
         }},
        {"06",
         "個人護理",
         {
             {"0601",
              "洗髮護髮",
              {"潘婷", "海倫仙度絲", "飛柔"},
              {"200ml", "400ml", "750ml"},
              "瓶",
              99,
              12,
              {{"060101", "洗髮乳"}, {"060102", "潤髮乳"}, {"060103", "去屑洗髮乳"}}},
             {"0602",
              "口腔保健",
              {"黑人", "高露潔", "舒酸定"},
              {"120g", "150g", "3入"},
              "條",
              55,
              24,
              {{"060201", "牙膏"}, {"060202", "牙刷"}, {"060203", "漱口水"}}},
             {"0603",
              "沐浴用品",
              {"多芬", "麗仕", "澎澎"},
              {"200ml", "800ml", "1000ml"},
              "瓶",
              69,
              12,
              {{"060301", "沐浴乳"}, {"060302", "洗手乳"}, {"060303", "香皂"}}},
         }},
        {"07",
         "冷凍食品",
         {
             {"0701",
              "水餃",
              {"桂冠", "奇美", "義美"},
              {"20入", "50入", "1kg"},
              "包",
              89,
              10,
              {{"070101", "高麗菜水餃"}, {"070102", "韭菜水餃"}, {"070103", "玉米水餃"}}},
             {"0702",
              "冰品",
              {"義美", "杜老爺", "小美"},
              {"1入", "4入", "家庭號"},
              "盒",
              25,
              12,
              {{"070201", "紅豆冰棒"}, {"070202", "香草冰淇淋"}, {"070203", "芒果雪糕"}}},
         }},
    };
    return tops;
}

const std::vector<std::string> kUsers = {"ADMIN", "MIS01", "PUR02", "PUR03"};
const std::vector<std::string> kSurnames = {"陳", "林", "黃", "張", "李", "王", "吳", "劉",
                                            "蔡", "楊", "許", "鄭", "謝", "郭", "洪", "曾"};
const std::vector<std::string> kGivenNames = {"志明", "春嬌", "淑芬", "家豪", "美玲",
                                              "俊傑", "雅婷", "建宏", "怡君", "宗翰",
                                              "佩珊", "冠宇", "秀英", "文雄"};
const std::vector<std::string> kCities = {"台北市", "新北市", "桃園市",
                                          "台中市", "台南市", "高雄市"};
const std::vector<std::string> kRoads = {"中山路",   "中正路",   "民生路",   "復興路",
                                         "和平東路", "建國北路", "光復南路", "三民路"};
const std::vector<std::string> kVendorPrefixes = {
    "大同", "永興", "建成", "順發", "新光", "金源", "聯成", "協和", "長春", "福星",
    "宏昌", "嘉豐", "瑞興", "萬通", "隆盛", "泰昌", "正大", "富源", "德興", "裕發",
    "華新", "日昇", "鴻運", "信義", "東和", "三益", "合利", "興農", "立大", "全盛"};
const std::vector<std::string> kVendorSuffixes = {"食品股份有限公司", "貿易有限公司",
                                                  "實業股份有限公司", "日用品有限公司", "商行"};
const std::vector<int> kPayDays = {30, 45, 60, 90};
const std::vector<std::string> kShopKinds = {"商行", "小吃店", "早餐店", "雜貨店", "餐廳"};

std::string personName(Random& random) {
    return random.pick(kSurnames) + random.pick(kGivenNames);
}

std::string address(Random& random) {
    return random.pick(kCities) + random.pick(kRoads) + std::to_string(random.between(1, 5)) +
           "段" + std::to_string(random.between(1, 399)) + "號";
}

std::string phone(Random& random, std::string_view area) {
    return std::string(area) + "-" + zeroPadded(random.between(2000, 8999), 4) + "-" +
           zeroPadded(random.below(10000), 4);
}

std::string digits(Random& random, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) out += static_cast<char>('0' + random.below(10));
    return out;
}

// EAN-13 / GTIN-14 check digit over the given digits.
char checkDigit(std::string_view body) {
    int sum = 0;
    const size_t n = body.size();
    for (size_t i = 0; i < n; ++i) sum += (body[n - 1 - i] - '0') * (i % 2 == 0 ? 3 : 1);
    return static_cast<char>('0' + (10 - sum % 10) % 10);
}

// ---- products ---------------------------------------------------------------

struct Product {
    std::string id, barcode, name, shortName, brand, size, unit;
    std::string topId, groupId, itemId, providerId;
    int salePrice, psalePrice, vipPrice;
    std::int64_t stdCost, lastCost;  // in 1/10000 NT$
    int caseQty, safeQty, salTag, inTag;
    std::string iniDate, chgDate, chgTime, chgUser, note;
    bool changedToday = false;
};

constexpr int kProductsPerSmallCategory = 5;
const std::vector<int> kSizeFactorPercent = {100, 180, 320};

std::string vendorId(int index) {
    return "V" + zeroPadded(index + 1, 3);
}

int shelfPrice(Random& random, int base, size_t sizeIndex) {
    const int raw = base * kSizeFactorPercent[sizeIndex] * random.between(90, 115) / 10000;
    int price = std::max(5, (raw + 2) / 5 * 5);
    if (price > 20 && random.chance(40)) price -= 1;  // the chain's ...9 prices
    return price;
}

Product makeProduct(Random& random, const Day& today, const TopCategory& top,
                    const MiddleCategory& middle, int middleIndex, const SmallCategory& small,
                    const std::string& brand, size_t sizeIndex, int serial) {
    Product p;
    p.id = std::to_string(100000 + serial);
    const std::string body = "471" + zeroPadded(1200 + middleIndex * 7, 4) + zeroPadded(serial, 5);
    p.barcode = body + checkDigit(body);
    p.size = middle.sizes[sizeIndex];
    p.brand = brand;
    p.name = brand + small.item + " " + p.size;
    p.shortName = small.item + p.size;
    p.unit = middle.unit;
    p.topId = top.id;
    p.groupId = middle.id;
    p.itemId = small.id;
    p.providerId = vendorId(middleIndex);
    p.salePrice = shelfPrice(random, middle.basePrice, sizeIndex);
    p.psalePrice = p.salePrice * 90 / 100;
    p.vipPrice = p.salePrice * 95 / 100;
    p.stdCost = static_cast<std::int64_t>(p.salePrice) * random.between(6200, 7400);
    p.lastCost = p.stdCost * random.between(97, 103) / 100;
    p.caseQty = middle.caseQty;
    p.safeQty = random.between(1, 8) * 6;
    p.salTag = 1;
    p.inTag = serial % 37 == 0 ? 0 : 1;  // a few no longer bought in
    p.iniDate = today.plus(-random.between(400, 1500)).text();
    p.chgDate = today.plus(-random.between(0, 365)).text();
    p.chgTime = hhmmss(random.between(8 * 3600, 20 * 3600));
    p.chgUser = random.pick(kUsers);
    if (random.chance(8)) p.note = p.inTag ? "季節商品" : "停止進貨";
    return p;
}

struct BrandSize {
    std::string brand;
    size_t size;
};

std::vector<Product> makeProducts(Random& random, const Day& today) {
    std::vector<Product> products;
    int middleIndex = 0;
    for (const TopCategory& top : catalogue()) {
        for (const MiddleCategory& middle : top.middles) {
            for (const SmallCategory& small : middle.smalls) {
                std::vector<BrandSize> choices;
                for (const std::string& brand : middle.brands) {
                    for (size_t s = 0; s < middle.sizes.size(); ++s) choices.push_back({brand, s});
                }
                random.shuffle(choices);
                for (int k = 0; k < kProductsPerSmallCategory; ++k) {
                    const BrandSize& c = choices[static_cast<size_t>(k)];
                    products.push_back(makeProduct(random, today, top, middle, middleIndex, small,
                                                   c.brand, c.size,
                                                   static_cast<int>(products.size()) + 1));
                }
            }
            ++middleIndex;
        }
    }
    return products;
}

// The two stores the sample queues changes for.
const std::vector<std::string> kStores = {"0001", "0002"};

// Products whose changes both stores receive; the bills are drawn from them,
// so that the branch holds every product its price changes name.
struct ProductPlan {
    std::vector<const Product*> shared;
    std::vector<std::vector<const Product*>> ownByStore;
};

constexpr size_t kSharedProducts = 80;
constexpr size_t kOwnProducts = 20;

ProductPlan planProducts(Random& random, const std::vector<Product>& products) {
    std::vector<const Product*> order;
    for (const Product& p : products) order.push_back(&p);
    random.shuffle(order);
    ProductPlan plan;
    plan.shared.assign(order.begin(), order.begin() + kSharedProducts);
    for (size_t s = 0; s < kStores.size(); ++s) {
        const auto first = order.begin() + static_cast<long>(kSharedProducts + s * kOwnProducts);
        plan.ownByStore.emplace_back(first, first + kOwnProducts);
    }
    return plan;
}

// The queued products were changed at headquarters today, they and their
// packaging: a run with the date filter on today's date still finds them.
void markChangedToday(std::vector<Product>& products, const ProductPlan& plan, Random& random,
                      const Day& today) {
    std::set<std::string> changed;
    for (const Product* p : plan.shared) changed.insert(p->id);
    for (const auto& own : plan.ownByStore) {
        for (const Product* p : own) changed.insert(p->id);
    }
    for (Product& p : products) {
        if (!changed.count(p.id)) continue;
        p.chgDate = today.text();
        p.chgTime = hhmmss(random.between(6 * 3600, 8 * 3600 - 1));
        p.changedToday = true;
    }
}

// ---- writers: master data ---------------------------------------------------

void writeCategories(SqlOut& sql, Random& random, const Day& today) {
    sql.comment("product categories: top, middle, small");
    for (const TopCategory& top : catalogue()) {
        sql.insert("PROD_TOPITEM", "TOP_ITEMID, TOP_ITEMNAME, CHG_DATE, CHG_USER",
                   {quoted(top.id), quoted(top.name),
                    quoted(today.plus(-random.between(200, 900)).text()), quoted("ADMIN")});
    }
    for (const TopCategory& top : catalogue()) {
        for (const MiddleCategory& middle : top.middles) {
            sql.insert("PROD_HIITEM", "PD_GRPID, PD_GRPNAME, TOP_ITEMID, CHG_DATE, CHG_USER",
                       {quoted(middle.id), quoted(middle.name), quoted(top.id),
                        quoted(today.plus(-random.between(100, 900)).text()), quoted("ADMIN")});
        }
    }
    for (const TopCategory& top : catalogue()) {
        for (const MiddleCategory& middle : top.middles) {
            for (const SmallCategory& small : middle.smalls) {
                sql.insert(
                    "PROD_ITEM",
                    "PD_ITEMID, PD_ITEMNAME, PD_GRPID, TOP_ITEMID, PROFIT_RATE, CHG_DATE, CHG_USER",
                    {quoted(small.id), quoted(small.item), quoted(middle.id), quoted(top.id),
                     cost(random.between(18, 35) * 100),
                     quoted(today.plus(-random.between(30, 700)).text()),
                     quoted(random.pick(kUsers))});
            }
        }
    }
}

void writeProducts(SqlOut& sql, const std::vector<Product>& products) {
    sql.comment("products");
    for (const Product& p : products) {
        sql.insert(
            "PRODUCT",
            "PROD_ID, PROD_BARCODE, PROD_NAME, PROD_SNAME, BRAND_NAME, PROD_SPEC, UNITNAME, "
            "TOP_ITEMID, PD_GRPID, PD_ITEMID, PROVIDER_ID, SALE_PRICE, PSALE_PRICE, VIP_PRICE, "
            "STD_COST, LAST_COST, TAX_KIND, PACK_QTY, SAFE_QTY, SAL_TAG, IN_TAG, INI_DATE, "
            "CHG_DATE, CHG_TIME, CHG_USER, NOTE",
            {quoted(p.id),          quoted(p.barcode),   quoted(p.name),       quoted(p.shortName),
             quoted(p.brand),       quoted(p.size),      quoted(p.unit),       quoted(p.topId),
             quoted(p.groupId),     quoted(p.itemId),    quoted(p.providerId), dollars(p.salePrice),
             dollars(p.psalePrice), dollars(p.vipPrice), cost(p.stdCost),      cost(p.lastCost),
             quoted("1"),           integer(p.caseQty),  integer(p.safeQty),   integer(p.salTag),
             integer(p.inTag),      quoted(p.iniDate),   quoted(p.chgDate),    quoted(p.chgTime),
             quoted(p.chgUser),     orNull(p.note)});
    }
}

void insertPackaging(SqlOut& sql, const std::string& barcode, const Product& p,
                     const std::string& packName, int qty, int discountPercent,
                     const std::string& chgDate) {
    const int price = p.salePrice * qty * (100 - discountPercent) / 100;
    sql.insert(
        "PROD_SALE",
        "SAL_BARCODE, PROD_ID, PACK_NAME, PACK_QTY, SAL_PRICE, VIP_PRICE, CHG_DATE, CHG_USER",
        {quoted(barcode), quoted(p.id), quoted(packName), integer(qty), dollars(price),
         dollars(price * 97 / 100), quoted(chgDate), quoted("ADMIN")});
}

std::string packChangeDate(Random& random, const Day& today, const Product& p) {
    return p.changedToday ? today.text() : today.plus(-random.between(1, 365)).text();
}

// Cartons for most products (GTIN-14 "1" + the unit's code), half-dozen packs
// for some.
void writePackaging(SqlOut& sql, Random& random, const Day& today,
                    const std::vector<Product>& products) {
    sql.comment("product packaging");
    for (const Product& p : products) {
        if (random.chance(70)) {
            const std::string body = "1" + p.barcode.substr(0, 12);
            insertPackaging(sql, body + checkDigit(body), p, "箱", p.caseQty, 8,
                            packChangeDate(random, today, p));
        }
        if (p.caseQty >= 12 && random.chance(25)) {
            const std::string body = "2" + p.barcode.substr(0, 12);
            insertPackaging(sql, body + checkDigit(body), p, "組", 6, 5,
                            packChangeDate(random, today, p));
        }
    }
}

constexpr int kVendorCount = 30;
constexpr int kCustomerCount = 50;

std::string vendorName(int index) {
    return kVendorPrefixes[static_cast<size_t>(index)] +
           kVendorSuffixes[static_cast<size_t>(index) % kVendorSuffixes.size()];
}

void writeVendors(SqlOut& sql, Random& random, const Day& today) {
    sql.comment("vendors");
    for (int i = 0; i < kVendorCount; ++i) {
        sql.insert(
            "PROVIDER",
            "PROVIDER_ID, PROVIDER_NAME, PROVIDER_SNAME, UNIFORM_NO, CONTACT, TEL, FAX, ADDRESS, "
            "PAY_KIND, PAY_DAYS, CHG_DATE, CHG_USER, NOTE",
            {quoted(vendorId(i)), quoted(vendorName(i)),
             quoted(kVendorPrefixes[static_cast<size_t>(i)]), quoted(digits(random, 8)),
             quoted(personName(random)), quoted(phone(random, "02")), quoted(phone(random, "02")),
             quoted(address(random)), quoted(random.chance(70) ? "1" : "2"),
             integer(random.pick(kPayDays)), quoted(today.plus(-random.between(0, 365)).text()),
             quoted(random.pick(kUsers)), random.chance(15) ? quoted("月結") : kNull});
    }
}

std::string customerId(int index) {
    return "C" + zeroPadded(index + 1, 4);
}

void writeCustomers(SqlOut& sql, Random& random, const Day& today) {
    sql.comment("customers: members and wholesale buyers");
    for (int i = 0; i < kCustomerCount; ++i) {
        const bool company = i % 10 >= 7;
        const std::string contact = personName(random);
        const std::string name =
            company ? random.pick(kVendorPrefixes) + random.pick(kShopKinds) : contact;
        const bool vip = company || random.chance(30);
        sql.insert(
            "CUSTOMER",
            "CUST_ID, CUST_NAME, CUST_KIND, UNIFORM_NO, CONTACT, TEL, ADDRESS, VIP_FLAG, "
            "CREDIT_AMT, "
            "DISC_RATE, BIRTHDAY, CHG_DATE, CHG_USER",
            {quoted(customerId(i)), quoted(name), quoted(company ? "2" : "1"),
             company ? quoted(digits(random, 8)) : kNull, quoted(contact),
             quoted(company ? phone(random, "04")
                            : "09" + digits(random, 2) + "-" + digits(random, 3) + "-" +
                                  digits(random, 3)),
             quoted(address(random)), quoted(vip ? "Y" : "N"), dollars(company ? 50000 : 0),
             cost(vip ? 9500 : 10000),
             company ? kNull : quoted(today.plus(-random.between(20 * 365, 60 * 365)).text()),
             quoted(today.plus(-random.between(0, 365)).text()), quoted(random.pick(kUsers))});
    }
}

// ---- wait queues ------------------------------------------------------------

class Queues {
  public:
    Queues(SqlOut& sql, const Day& today) : sql_(sql), today_(today) {}

    void add(std::string_view queue, std::string_view keyColumn, const std::string& store,
             const std::string& key, std::string_view state) {
        ++serial_;
        sql_.insert(queue,
                    std::string("STORE_ID, ") + std::string(keyColumn) + ", STATE, QUEUED_AT",
                    {quoted(store), quoted(key), quoted(std::string(state)),
                     quoted(today_.text() + " " + hhmmss(8 * 3600 + serial_ * 7 % 36000))});
    }

  private:
    SqlOut& sql_;
    Day today_;
    int serial_ = 0;
};

// Per store: changes of the shared and own products (a quarter of them new
// products), one product changed twice, a change of a product headquarters has
// since removed, and deletions of products that are gone.
void writeProductQueues(Queues& queues, Random& random, const ProductPlan& plan) {
    for (size_t s = 0; s < kStores.size(); ++s) {
        const std::string& store = kStores[s];
        std::vector<const Product*> changed = plan.shared;
        changed.insert(changed.end(), plan.ownByStore[s].begin(), plan.ownByStore[s].end());
        for (const Product* p : changed) {
            queues.add("PRODUCT_WAIT", "PROD_ID", store, p->id,
                       random.chance(25) ? "INSERT" : "UPDATE");
        }
        queues.add("PRODUCT_WAIT", "PROD_ID", store, changed.front()->id, "UPDATE");
        queues.add("PRODUCT_WAIT", "PROD_ID", store, "199001", "UPDATE");
        for (int k = 0; k < 3; ++k) {
            queues.add("PRODUCT_WAIT", "PROD_ID", store, std::to_string(199001 + k), "DELETE");
        }
    }
}

void writeVendorAndCustomerQueues(Queues& queues, Random& random) {
    for (size_t s = 0; s < kStores.size(); ++s) {
        const std::string& store = kStores[s];
        for (int i = 0; i < kVendorCount; ++i) {
            if (random.chance(65)) {
                queues.add("PROVIDER_WAIT", "PROVIDER_ID", store, vendorId(i),
                           random.chance(15) ? "INSERT" : "UPDATE");
            }
        }
        queues.add("PROVIDER_WAIT", "PROVIDER_ID", store, "V099", "DELETE");
        for (int i = 0; i < kCustomerCount; ++i) {
            if (random.chance(60)) {
                queues.add("CUSTOMER_WAIT", "CUST_ID", store, customerId(i),
                           random.chance(20) ? "INSERT" : "UPDATE");
            }
        }
        queues.add("CUSTOMER_WAIT", "CUST_ID", store, "C0999", "DELETE");
    }
}

// ---- bills ------------------------------------------------------------------

// Distinct products for the lines of the bills, taken in turn from the shared
// products so that no product sits in two bills of one kind.
class LinePicker {
  public:
    LinePicker(Random& random, const std::vector<const Product*>& products)
        : random_(random), pool_(products) {
        random_.shuffle(pool_);
    }

    std::vector<const Product*> next(int low, int high) {
        const size_t count = static_cast<size_t>(random_.between(low, high));
        std::vector<const Product*> lines;
        for (size_t i = 0; i < count; ++i) lines.push_back(pool_[(cursor_ + i) % pool_.size()]);
        cursor_ += count;
        return lines;
    }

  private:
    Random& random_;
    std::vector<const Product*> pool_;
    size_t cursor_ = 0;
};

struct BillContext {
    SqlOut& sql;
    Random& random;
    Queues& queues;
    Day today;
};

std::string billId(std::string_view prefix, const Day& day, int seq) {
    return std::string(prefix) + day.compact() + zeroPadded(seq, 3);
}

void queueForAllStores(BillContext& ctx, std::string_view queue, const std::string& billNo,
                       std::string_view state) {
    for (const std::string& store : kStores)
        ctx.queues.add(queue, "MASTERBILLID", store, billNo, state);
}

void writePromotionBill(BillContext& ctx, int seq, const std::string& reason,
                        const std::vector<const Product*>& lines) {
    const Day billDay = ctx.today.plus(-seq);
    const std::string no = billId("PS", billDay, seq);
    const std::string from = ctx.today.plus(1 + seq).text(), to = ctx.today.plus(15 + seq).text();
    const std::string chgDate = billDay.text(), user = ctx.random.pick(kUsers);
    ctx.sql.insert("PSALE_MASTER",
                   "MASTERBILLID, BILL_DATE, INI_DATE, END_DATE, REASON, REGISTER, STORE_ID, "
                   "CHG_DATE, CHG_USER, "
                   "OVER_AMT, PINI_DATE, PEND_DATE",
                   {quoted(no), quoted(billDay.text()), quoted(from), quoted(to), quoted(reason),
                    quoted(user), quoted("0000"), quoted(chgDate), quoted(user),
                    dollars(seq == 2 ? 299 : 0), quoted(from), quoted(to)});
    for (const Product* p : lines) {
        const bool buyGet = seq == 3;  // buy two, get one free
        const int price = p->salePrice * 80 / 100;
        ctx.sql.insert(
            "PSALE_SUB",
            "MASTERBILLID, PROD_ID, PROD_NAME, PROD_BARCODE, PD_ITEMID, PSALE_FLAG, PSALE_PRICE, "
            "OLD_PRICE, "
            "N_QTY, G_PROD_ID, G_PROD_NAME, G_QTY, TEMPPRODID, STORE_ID, CHG_DATE, CHG_USER, "
            "VIP_PRICE, "
            "INI_DATE, END_DATE, NEW_COST, SEC_DIS, KEYINTIME, PINI_DATE, PEND_DATE, VNEW_COST, "
            "PACK_QTY",
            {quoted(no),
             quoted(p->id),
             quoted(p->name),
             quoted(p->barcode),
             quoted(p->itemId),
             quoted(buyGet ? "2" : "1"),
             dollars(buyGet ? p->salePrice : price),
             dollars(p->salePrice),
             integer(buyGet ? 2 : 1),
             buyGet ? quoted(p->id) : kNull,
             buyGet ? quoted(p->name) : kNull,
             integer(buyGet ? 1 : 0),
             kNull,
             quoted("0000"),
             quoted(chgDate),
             quoted(user),
             dollars(buyGet ? p->vipPrice : price * 95 / 100),
             quoted(from),
             quoted(to),
             cost(p->stdCost * 90 / 100),
             quoted("0"),
             quoted(billDay.text() + " " + hhmmss(ctx.random.between(9 * 3600, 18 * 3600))),
             quoted(from),
             quoted(to),
             cost(p->stdCost * 88 / 100),
             fixed(1000, 3)});
    }
    queueForAllStores(ctx, "PSALE_WAIT", no, "UPDATE");
}

void writeWholesaleBill(BillContext& ctx, int seq, const std::vector<const Product*>& lines) {
    const Day billDay = ctx.today.plus(-2 * seq);
    const std::string no = billId("PT", billDay, seq);
    const std::string from = ctx.today.plus(-seq).text(), to = ctx.today.plus(60).text();
    const std::string user = ctx.random.pick(kUsers);
    ctx.sql.insert("PTSALE_MASTER",
                   "BILL_DATE, MASTERBILLID, INI_DATE, END_DATE, PTSALE_CLASS, PTSALE_QTY, "
                   "PTSALE_PRICE, PTSALE_DIS, "
                   "CHG_DATE, CHG_USER",
                   {quoted(billDay.text()), quoted(no), quoted(from), quoted(to),
                    quoted("0" + std::to_string(seq)), integer(10 * seq), dollars(1000 * seq),
                    cost(10000 - 500 * seq), quoted(billDay.text()), quoted(user)});
    for (const Product* p : lines) {
        ctx.sql.insert(
            "PTSALE_SUB",
            "MASTERBILLID, PROD_ID, PROD_BARCODE, PROD_NAME, PROVIDER_ID, INI_DATE, END_DATE, "
            "NEW_COST, "
            "OLD_COST, NEW_DIS, TEMPPRODID, CHG_DATE, CHG_USER",
            {quoted(no), quoted(p->id), quoted(p->barcode), quoted(p->name), quoted(p->providerId),
             quoted(from), quoted(to), cost(p->stdCost * 95 / 100), cost(p->stdCost),
             cost(10000 - 500 * seq), kNull, quoted(billDay.text()), quoted(user)});
    }
    queueForAllStores(ctx, "PTSALE_WAIT", no, "UPDATE");
}

// New prices of a product: most go up a little, some come down.
int newPrice(Random& random, int price) {
    const int changed = price * random.between(92, 112) / 100;
    return changed == price ? price + 1 : changed;
}

void writePriceChangeBill(BillContext& ctx, int seq, int dueInDays,
                          const std::vector<const Product*>& lines) {
    const Day billDay = ctx.today.plus(std::min(dueInDays, 0) - 5);
    const std::string no = billId("CP", billDay, seq);
    const std::string due = ctx.today.plus(dueInDays).text(), bill = billDay.text();
    const std::string user = ctx.random.pick(kUsers);
    ctx.sql.insert(
        "CHGPRICE_MASTER",
        "MASTERBILLID, BILL_DATE, IMM_CHG, CHGPRICE_DATE, STORE_ID, CHG_DATE, CHG_USER, TRN_CODE",
        {quoted(no), quoted(bill), quoted("N"), quoted(due), quoted("0000"), quoted(bill),
         quoted(user), quoted("N")});
    for (const Product* p : lines) {
        const int sale = newPrice(ctx.random, p->salePrice);
        const std::int64_t stdCost = p->stdCost * ctx.random.between(97, 106) / 100;
        ctx.sql.insert(
            "CHGPRICE_SUB",
            "MASTERBILLID, BILL_DATE, IMM_CHG, CHGPRICE_DATE, STORE_ID, PROD_ID, PROD_NAME, "
            "PROD_BARCODE, "
            "O_PD_ITEMID, O_SALE_PRICE, O_PSALE_PRICE, O_VIP_PRICE, O_STD_COST, N_PD_ITEMID, "
            "N_SALE_PRICE, "
            "N_PSALE_PRICE, N_VIP_PRICE, N_STD_COST, SAL_TAG, IN_TAG, CHG_DATE, CHG_USER, TRN_CODE",
            {quoted(no),
             quoted(bill),
             quoted("N"),
             quoted(due),
             quoted("0000"),
             quoted(p->id),
             quoted(p->name),
             quoted(p->barcode),
             quoted(p->itemId),
             dollars(p->salePrice),
             dollars(p->psalePrice),
             dollars(p->vipPrice),
             cost(p->stdCost),
             quoted(p->itemId),
             dollars(sale),
             dollars(sale * 90 / 100),
             dollars(sale * 95 / 100),
             cost(stdCost),
             integer(1),
             integer(p->inTag),
             quoted(bill),
             quoted(user),
             quoted("N")});
    }
    queueForAllStores(ctx, "CHGPRICE_WAIT", no, "INSERT");
}

std::vector<const Product*> productsOfVendor(const std::vector<Product>& products,
                                             const std::string& vendor, size_t limit) {
    std::vector<const Product*> out;
    for (const Product& p : products) {
        if (p.providerId == vendor && out.size() < limit) out.push_back(&p);
    }
    return out;
}

void writeQuotationBill(BillContext& ctx, int seq, int vendor,
                        const std::vector<const Product*>& lines) {
    const Day billDay = ctx.today.plus(-3 * seq);
    const std::string no = billId("QT", billDay, seq);
    const std::string from = ctx.today.plus(7).text(), to = ctx.today.plus(97).text();
    const std::string user = ctx.random.pick(kUsers), employee = personName(ctx.random);
    ctx.sql.insert(
        "QUOT_MASTER",
        "MASTERBILLID, BILL_DATE, FLAG, PROVIDER_ID, PROVIDER_NAME, EMPLOYEE_ID, EMPLOYEE_NAME, "
        "STORE_ID, "
        "NOTE, CHG_DATE, CHG_USER, INI_DATE",
        {quoted(no), quoted(billDay.text()), quoted("1"), quoted(vendorId(vendor)),
         quoted(vendorName(vendor)), quoted("E" + zeroPadded(10 + seq, 3)), quoted(employee),
         quoted("0000"), quoted("季度報價"), quoted(billDay.text()), quoted(user), quoted(from)});
    for (const Product* p : lines) {
        const std::int64_t inPrice = p->stdCost * ctx.random.between(94, 103) / 100;
        const std::string body = "1" + p->barcode.substr(0, 12);
        ctx.sql.insert("QUOT_SUB",
                       "MASTERBILLID, QUOT_CLASS, PROD_ID, PROD_BARCODE, PROD_NAME, U_QTY, "
                       "STD_COST, UNITNAME, "
                       "SAL_BARCODE, PACK_QTY, IN_PRICE, SAL_PRICE, TAX_KIND, REMARK, BILL_DATE, "
                       "FLAG, INI_DATE, "
                       "END_DATE, PROVIDER_ID, STORE_ID, TEMPPRODID, PROVIDER_NAME",
                       {quoted(no),
                        quoted("01"),
                        quoted(p->id),
                        quoted(p->barcode),
                        quoted(p->name),
                        integer(1),
                        cost(p->stdCost),
                        quoted(p->unit),
                        quoted(body + checkDigit(body)),
                        integer(p->caseQty),
                        cost(inPrice),
                        dollars(p->salePrice),
                        quoted("1"),
                        kNull,
                        quoted(billDay.text()),
                        quoted("1"),
                        quoted(from),
                        quoted(to),
                        quoted(vendorId(vendor)),
                        quoted("0000"),
                        kNull,
                        quoted(vendorName(vendor))});
    }
    queueForAllStores(ctx, "QUOT_WAIT", no, "UPDATE");
}

void writeVendorDiscountBill(BillContext& ctx, int seq, int vendor,
                             const std::vector<const Product*>& lines) {
    const Day billDay = ctx.today.plus(-4 * seq);
    const std::string no = billId("IP", billDay, seq);
    const std::string from = ctx.today.plus(-seq).text(), to = ctx.today.plus(30).text();
    const std::string user = ctx.random.pick(kUsers);
    ctx.sql.insert(
        "INPROMOTION_MASTER",
        "MASTERBILLID, BILL_DATE, INI_DATE, END_DATE, PROVIDER_ID, PROVIDER_NAME, CHG_DATE, "
        "CHG_USER",
        {quoted(no), quoted(billDay.text()), quoted(from), quoted(to), quoted(vendorId(vendor)),
         quoted(vendorName(vendor)), quoted(billDay.text()), quoted(user)});
    for (const Product* p : lines) {
        const bool gift = seq == 2;  // a free unit with every carton
        ctx.sql.insert(
            "INPROMOTION_SUB",
            "MASTERBILLID, BILL_DATE, TEMPPRODID, PROD_ID, PROD_BARCODE, PROD_NAME, PD_ITEMID, "
            "PSALE_FLAG, "
            "OLD_COST, SP_COST, N_QTY, G_PROD_ID, G_PROD_NAME, G_QTY, CHG_USER, PSALE_PRICE, "
            "PROVIDER_ID, "
            "INI_DATE, END_DATE",
            {quoted(no), quoted(billDay.text()), kNull, quoted(p->id), quoted(p->barcode),
             quoted(p->name), quoted(p->itemId), quoted(gift ? "2" : "1"), cost(p->stdCost),
             cost(gift ? p->stdCost : p->stdCost * 92 / 100), integer(gift ? p->caseQty : 0),
             gift ? quoted(p->id) : kNull, gift ? quoted(p->name) : kNull, integer(gift ? 1 : 0),
             quoted(user), dollars(p->psalePrice), quoted(vendorId(vendor)), quoted(from),
             quoted(to)});
    }
    queueForAllStores(ctx, "INPROMOTION_WAIT", no, "UPDATE");
}

// Price changes due ten and two days ago, today, in three days and next week.
const std::vector<int> kPriceChangeDueDays = {-10, -2, 0, 3, 7};

void writeBills(BillContext& ctx, const ProductPlan& plan, const std::vector<Product>& products) {
    ctx.sql.comment("promotion bills");
    LinePicker promotions(ctx.random, plan.shared);
    const std::vector<std::string> reasons = {"週年慶特價", "滿額折扣", "買二送一"};
    for (int seq = 1; seq <= 3; ++seq)
        writePromotionBill(ctx, seq, reasons[static_cast<size_t>(seq - 1)], promotions.next(3, 10));

    ctx.sql.comment("wholesale bills");
    LinePicker wholesale(ctx.random, plan.shared);
    for (int seq = 1; seq <= 3; ++seq) writeWholesaleBill(ctx, seq, wholesale.next(3, 10));

    ctx.sql.comment("price-change bills");
    LinePicker priceChanges(ctx.random, plan.shared);
    for (size_t i = 0; i < kPriceChangeDueDays.size(); ++i) {
        writePriceChangeBill(ctx, static_cast<int>(i) + 1, kPriceChangeDueDays[i],
                             priceChanges.next(3, 10));
    }

    ctx.sql.comment("vendor quotations");
    for (int seq = 1; seq <= 3; ++seq) {
        const int vendor = seq * 5;
        writeQuotationBill(ctx, seq, vendor,
                           productsOfVendor(products, vendorId(vendor), 3 + 2 * seq));
    }

    ctx.sql.comment("vendor discounts");
    for (int seq = 1; seq <= 3; ++seq) {
        const int vendor = seq * 4 + 1;
        writeVendorDiscountBill(ctx, seq, vendor,
                                productsOfVendor(products, vendorId(vendor), 2 + 3 * seq));
    }
}

// ---- program ----------------------------------------------------------------

constexpr std::uint32_t kSeed = 20050301u;

void writeSample(std::ostream& out, const Day& today) {
    SqlOut sql(out);
    Random random(kSeed);
    sql.line("-- Sample headquarters data for " + today.text() + ", written by olvarin-demodata.");
    sql.line("-- Load with: isql-fb -q -ch UTF8 -i <this file> <database>");
    sql.line("SET BAIL ON;");

    writeCategories(sql, random, today);
    std::vector<Product> products = makeProducts(random, today);
    const ProductPlan plan = planProducts(random, products);
    markChangedToday(products, plan, random, today);
    writeProducts(sql, products);
    writePackaging(sql, random, today, products);
    writeVendors(sql, random, today);
    writeCustomers(sql, random, today);

    Queues queues(sql, today);
    sql.comment("wait queues of stores 0001 and 0002: products, vendors, customers");
    writeProductQueues(queues, random, plan);
    writeVendorAndCustomerQueues(queues, random);

    BillContext bills{sql, random, queues, today};
    writeBills(bills, plan, products);
    sql.line("\nCOMMIT;");
}

struct Options {
    std::optional<Day> today;
    std::string output;
};

void usage(std::ostream& out) {
    out << "usage: olvarin-demodata [--today yyyy/mm/dd] [--output file]\n"
           "Writes SQL that fills a headquarters database with sample data.\n";
}

std::optional<Options> parseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--today" && hasValue) {
            options.today = Day::parse(argv[++i]);
            if (!options.today) {
                std::cerr << "olvarin-demodata: --today wants a date as yyyy/mm/dd\n";
                return std::nullopt;
            }
        } else if (arg == "--output" && hasValue) {
            options.output = argv[++i];
        } else {
            usage(std::cerr);
            return std::nullopt;
        }
    }
    return options;
}

}  // namespace

int main(int argc, char** argv) {
    const std::optional<Options> options = parseOptions(argc, argv);
    if (!options) return 2;
    const Day today = options->today.value_or(Day::today());
    if (options->output.empty()) {
        writeSample(std::cout, today);
        return std::cout.good() ? 0 : 1;
    }
    std::ofstream file(options->output, std::ios::binary | std::ios::trunc);
    if (!file) {
        std::cerr << "olvarin-demodata: cannot write " << options->output << '\n';
        return 1;
    }
    writeSample(file, today);
    file.close();
    return file ? 0 : 1;
}
