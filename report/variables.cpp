// Report variables and date expressions (see variables.h).

#include "variables.h"

#include "fileaccess.h"

#include <fnmatch.h>
#include <sys/stat.h>

#include <cctype>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <string>

#include "timetext.h"

namespace {

// ------------------------------------------------------------------ dates

constexpr int64_t kDay = 86400;

// The local calendar date of a time; false when it cannot be converted.
bool dateOf(int64_t seconds, int* year, int* month, int* day) {
    time_t t = time_t(seconds);
    struct tm when {};
    if (!localtime_r(&t, &when))
        return false;
    *year = when.tm_year + 1900;
    *month = when.tm_mon + 1;
    *day = when.tm_mday;
    return true;
}

// A calendar date moved by days, through mktime's normalisation. Works at
// noon so that daylight-saving changes never move the result to another
// day. False when the C library cannot convert it.
bool addDays(int year, int month, int day, long long days, int* outYear, int* outMonth,
             int* outDay) {
    if (days > INT_MAX / 2 || days < INT_MIN / 2)
        return false;
    long long mday = day + days;
    if (mday > INT_MAX / 2 || mday < INT_MIN / 2)
        return false;
    struct tm when {};
    when.tm_year = year - 1900;
    when.tm_mon = month - 1;
    when.tm_mday = int(mday);
    when.tm_hour = 12;
    when.tm_isdst = -1;
    if (mktime(&when) == time_t(-1))
        return false;
    *outYear = when.tm_year + 1900;
    *outMonth = when.tm_mon + 1;
    *outDay = when.tm_mday;
    return true;
}

// The year and month count months away from year/month.
bool addMonths(int year, int month, long long count, int* outYear, int* outMonth) {
    if (count > 1200000 || count < -1200000)
        return false;
    long long total = (long long)year * 12 + (month - 1) + count;
    if (total < 0 || total / 12 > 100000)
        return false;
    *outYear = int(total / 12);
    *outMonth = int(total % 12) + 1;
    return true;
}

int daysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

// A signed decimal number at p (0 when there is none); end receives where
// it stopped. Values beyond the range of a long long saturate.
long long signedNumber(const char* p, const char** end) {
    char* stop = nullptr;
    long long value = std::strtoll(p, &stop, 10);
    *end = stop;
    return value;
}

// ------------------------------------------------------------------ variables

config_setting_t* variableGroup(ReportVariables* context) {
    return config_lookup(context->configuration, "variable");
}

const char* memberText(config_setting_t* group, const char* name) {
    config_setting_t* member = config_setting_get_member(group, name);
    if (!member || config_setting_type(member) != CONFIG_TYPE_STRING)
        return nullptr;
    return config_setting_get_string(member);
}

// Stores text as the group's "value" string, replacing what was there.
void storeValue(config_setting_t* group, const char* text) {
    config_setting_t* value = config_setting_get_member(group, "value");
    if (value && config_setting_type(value) != CONFIG_TYPE_STRING) {
        config_setting_remove(group, "value");
        value = nullptr;
    }
    if (!value)
        value = config_setting_add(group, "value", CONFIG_TYPE_STRING);
    if (value)
        config_setting_set_string(value, text);
}

// A date variable's value from its "date" expression and "format".
void recomputeDate(config_setting_t* group) {
    const char* expression = memberText(group, "date");
    const char* format = memberText(group, "format");
    PackedDate date = 0;
    int64_t when;
    if (parseDateExpression(expression ? expression : "*", &date))
        when = decodeDate(&date);
    else
        when = int64_t(std::time(nullptr));
    std::string text = timeString(when, format ? format : "%Y-%m-%d");
    config_setting_remove(group, "value");
    config_setting_t* value = config_setting_add(group, "value", CONFIG_TYPE_STRING);
    if (value)
        config_setting_set_string(value, text.c_str());
}

// Writes into the output buffer while there is room before its last byte.
struct Writer {
    char* out;
    size_t size;
    size_t pos = 0;
    void put(char c) {
        if (pos + 1 < size)
            out[pos++] = c;
    }
    // A replacement goes in whole or not at all.
    void putWhole(const std::string& text) {
        if (pos + text.size() + 1 <= size) {
            std::memcpy(out + pos, text.data(), text.size());
            pos += text.size();
        }
    }
};

bool isNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_';
}

// The value of the variable name (a date variable recomputed first); null
// when the store has no such variable.
const char* variableValue(ReportVariables* context, const std::string& name) {
    config_setting_t* variables = variableGroup(context);
    config_setting_t* group =
        variables ? config_setting_get_member(variables, name.c_str()) : nullptr;
    if (!group || !config_setting_is_group(group))
        return nullptr;
    const char* type = memberText(group, "type");
    if (type && std::strcmp(type, "date") == 0)
        recomputeDate(group);
    return memberText(group, "value");
}

// ------------------------------------------------------------------ operations

void lockDestroy(ReportVariables* context) {
    delete context->lock;
    context->lock = nullptr;
    context->lockFlags &= ~kVariablesLockReady;
}

void lockEnter(ReportVariables* context) {
    if (context->lock)
        context->lock->lock();
}

void lockLeave(ReportVariables* context) {
    if (context->lock)
        context->lock->unlock();
}

uint32_t lockAdd(ReportVariables* context, uint32_t value) {
    lockEnter(context);
    uint32_t total = context->total += value;
    lockLeave(context);
    return total;
}

int opSetVariable(ReportVariables* context, const char* name, const char* format, ...) {
    config_setting_t* variables = variableGroup(context);
    if (!variables || !name)
        return 1;
    char value[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(value, sizeof value, format ? format : "", args);
    va_end(args);
    config_setting_t* group = config_setting_get_member(variables, name);
    if (!group)
        group = config_setting_add(variables, name, CONFIG_TYPE_GROUP);
    if (group && config_setting_is_group(group))
        storeValue(group, value);
    return 1;
}

void opDestroy(ReportVariables* context) {
    if (context->destroyLock)
        context->destroyLock(context);
    if (context->ownsStore && context->configuration)
        config_destroy(context->configuration);
    context->ownsStore = 0;
    context->configuration = nullptr;
}

int opExpandText(ReportVariables* context, const char* text, char* output, size_t size,
                 int noEnvironment) {
    if (!output || size == 0)
        return 1;
    std::memset(output, 0, size);
    Writer w{output, size};
    const char* p = text ? text : "";
    char previous = '\0';
    while (*p) {
        char c = *p;
        if (c != '$' && c != '%') {
            w.put(c);
            previous = c;
            ++p;
            continue;
        }
        const char* nameStart = p + 1;
        const char* nameEnd = nameStart;
        while (*nameEnd && isNameChar(*nameEnd) && nameEnd - nameStart < 255)
            ++nameEnd;
        std::string name(nameStart, size_t(nameEnd - nameStart));
        bool escaped = previous == c;
        previous = c;
        p = nameEnd;
        if (name.empty()) {
            w.put(c);
            continue;
        }
        if (escaped) {
            w.putWhole(name);
        } else if (c == '$') {
            const char* value = variableValue(context, name);
            w.putWhole(value ? std::string(value) : "$" + name);
        } else {
            const char* value = noEnvironment ? nullptr : std::getenv(name.c_str());
            w.putWhole(value ? std::string(value) : "***BADENV:" + name + "***");
        }
        // A dot ends a name and is swallowed: "$base.txt" gives the value then "txt".
        if (*p == '.')
            ++p;
        previous = '\0';
    }
    return 1;
}

} // namespace

// ------------------------------------------------------------------ public

std::string expandVariableNames(ReportVariables* context, std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t at = 0;
    while (at < text.size()) {
        const size_t dollar = text.find('$', at);
        out.append(text.substr(at, dollar == std::string_view::npos ? dollar : dollar - at));
        if (dollar == std::string_view::npos)
            break;
        size_t end = dollar + 1;
        while (end < text.size() && end - dollar - 1 < 255 && isNameChar(text[end]))
            ++end;
        const std::string name(text.substr(dollar + 1, end - dollar - 1));
        const char* value = context && !name.empty() ? variableValue(context, name) : nullptr;
        if (value)
            out.append(value);
        else
            out.append(text.substr(dollar, end - dollar));
        at = end;
    }
    return out;
}

PackedDate packDate(int year, int month, int day) {
    uint32_t word = (uint32_t(year) & 0xFFFFu) | (uint32_t(month) & 0x0Fu) << 16 |
                    (uint32_t(day) & 0x3Fu) << 24 | 0xC0000000u;
    // Stored little-endian whatever the host order is.
    unsigned char bytes[4] = {
        static_cast<unsigned char>(word), static_cast<unsigned char>(word >> 8),
        static_cast<unsigned char>(word >> 16), static_cast<unsigned char>(word >> 24)};
    PackedDate date;
    std::memcpy(&date, bytes, sizeof date);
    return date;
}

int parseDateExpression(const char* text, PackedDate* date) {
    if (!text || !date)
        return 0;
    int64_t now = int64_t(std::time(nullptr));
    int year = 0, month = 0, day = 0;
    if (!dateOf(now, &year, &month, &day))
        return 0;
    int y = year, m = month, d = day;
    const char* rest = nullptr;
    long long n = 0, offset = 0;
    auto numbersAfterLetter = [&]() {
        n = signedNumber(text + 1, &rest);
        offset = signedNumber(rest, &rest);
    };
    bool computed = true;

    if (fnmatch("????\\-??\\-??*", text, 0) == 0) {
        long long yy = std::atoll(text);
        long long mm = std::atoll(text + 5);
        long long dd = signedNumber(text + 8, &rest);
        offset = signedNumber(rest, &rest);
        computed = yy > 0 && yy < 100000 && mm >= -10000 && mm <= 10000 && dd > -100000 &&
                   dd < 100000 && addMonths(int(yy), 1, mm - 1, &y, &m) &&
                   addDays(y, m, int(dd), offset, &y, &m, &d);
    } else if (fnmatch("[12][0-9][0-9][0-9]", text, 0) == 0) {
        y = std::atoi(text);
        m = 1;
        d = 1;
    } else if (fnmatch("M[-+]*", text, 0) == 0) {
        numbersAfterLetter();
        computed = addMonths(year, month, n, &y, &m) && addDays(y, m, 1, offset, &y, &m, &d);
    } else if (fnmatch("m[-+]*", text, 0) == 0) {
        numbersAfterLetter();
        computed = addMonths(year, month, n, &y, &m) &&
                   addDays(y, m, daysInMonth(y, m), offset, &y, &m, &d);
    } else if (fnmatch("Y[-+]*", text, 0) == 0) {
        numbersAfterLetter();
        computed = n > -100000 && n < 100000 && year + n > 0 &&
                   addDays(int(year + n), 1, 1, offset, &y, &m, &d);
    } else if (fnmatch("y[-+]*", text, 0) == 0) {
        numbersAfterLetter();
        computed = n > -100000 && n < 100000 && year + n > 0 &&
                   addDays(int(year + n), 12, 31, offset, &y, &m, &d);
    } else if (fnmatch("W[-+]*", text, 0) == 0) {
        numbersAfterLetter();
        struct tm today {};
        time_t t = time_t(now);
        localtime_r(&t, &today);
        computed = n > -1000000 && n < 1000000 && offset > -1000000000 && offset < 1000000000 &&
                   addDays(year, month, day, -today.tm_wday + 7 * n + offset, &y, &m, &d);
    } else if (fnmatch("\\*[-+]*", text, 0) == 0) {
        n = signedNumber(text + 1, &rest);
        computed = n > -1000000 && n < 1000000 && dateOf(now + n * kDay - 3600, &y, &m, &d);
    } else if (fnmatch("\\*", text, 0) == 0) {
        computed = dateOf(now - 3600, &y, &m, &d);
    } else {
        return 0;
    }
    if (!computed) {
        // The calendar conversion failed: the current date stands in.
        y = year;
        m = month;
        d = day;
    }
    *date = packDate(y, m, d);
    return 1;
}

bool variablesReadFile(config_t* store, const char* path) {
    // Only a regular file is read: a named pipe or a device would hold the
    // program for good.
    std::string text, why;
    if (path != nullptr && path[0] != 0 && readRegularFile(path, kMaxVariablesFile, text, why) &&
        config_read_string(store, text.c_str()) == CONFIG_TRUE)
        return true;
    config_destroy(store);
    config_init(store);
    return false;
}

void variablesInit(ReportVariables* context, config_t* store, int useStore) {
    *context = ReportVariables{};
    if (store && useStore) {
        context->configuration = store;
    } else {
        context->configuration = store ? store : &context->embeddedStore;
        config_init(context->configuration);
        context->ownsStore = 1;
        if (const char* file = std::getenv("KVLTVARFILE"))
            variablesReadFile(context->configuration, file);
    }
    config_setting_t* root = config_root_setting(context->configuration);
    config_setting_t* variables = config_setting_get_member(root, "variable");
    if (!variables)
        config_setting_add(root, "variable", CONFIG_TYPE_GROUP);
    context->lock = new (std::nothrow) std::mutex;
    if (context->lock)
        context->lockFlags |= kVariablesLockReady;
    context->total = 0;
    context->destroyLock = lockDestroy;
    context->enter = lockEnter;
    context->leave = lockLeave;
    context->add = lockAdd;
    context->setVariable = opSetVariable;
    context->variablesDestroy = opDestroy;
    context->expandText = opExpandText;
}
