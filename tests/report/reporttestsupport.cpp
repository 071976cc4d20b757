#include "reporttestsupport.h"

#include <cstdlib>

CapturedOutput::CapturedOutput() {
    m_pFile = open_memstream(&m_pBuffer, &m_nLength);
}

CapturedOutput::~CapturedOutput() {
    std::fclose(m_pFile);
    std::free(m_pBuffer);
}

std::string CapturedOutput::text() {
    std::fflush(m_pFile);
    return std::string(m_pBuffer, m_nLength);
}

std::string maskProductionTime(std::string text) {
    const std::string label = "Production Time: ";
    for (size_t at = text.find(label); at != std::string::npos; at = text.find(label, at)) {
        size_t start = at + label.size();
        size_t end = text.find_first_of("\n<", start);
        if (end == std::string::npos)
            end = text.size();
        text.replace(start, end - start, "TIME");
        at = start;
    }
    return text;
}
