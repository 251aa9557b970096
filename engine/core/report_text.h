// Texts shared by the reports and logs of the analyses.
#pragma once

#include <string>
#include <string_view>

namespace ruz {

// The head of the logs that name their program, genome and reads:
// "program= P\ngenome= G\nreads= R" (no line feed after it).
inline std::string programHead(std::string_view program, std::string_view genome,
                               std::string_view reads) {
    std::string head = "program= ";
    head.append(program).append("\ngenome= ").append(genome).append("\nreads= ").append(reads);
    return head;
}

// The head of the replaced-end logs: "proc=P\ngenome=G\nreads=R".
inline std::string procHead(std::string_view procedure, std::string_view genome,
                            std::string_view reads) {
    std::string head = "proc=";
    head.append(procedure).append("\ngenome=").append(genome).append("\nreads=").append(reads);
    return head;
}

}  // namespace ruz
