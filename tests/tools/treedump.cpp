// Test tool: parses files (each after an optional definition file, as the
// run sequence does) and prints each syntax tree as an indented outline, one
// node a line:
//   KIND "alpha" start-line:column end-line:column
// followed by "result N" with the value ParseFile returned. Messages go to
// the standard error stream as in the real program.
//   treedump [-d definition-file] [-q] [-x directory-prefix]... file...
// -q parses without printing the trees (for timing); -x names a directory
// prefix whose declarations are not taken as block statics.
#include <QCoreApplication>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "frontend/accept.h"
#include "frontend/arbre.h"
#include "frontend/definitionfile.h"
#include "frontend/kinds.h"
#include "frontend/stx_c.h"
#include "support/alpha.h"
#include "support/machine.h"

namespace {

std::string alphaText(const SyntaxNode *n)
{
    if (n->kind == EXTERN && n->alpha) {
        std::string s = "{";
        for (const CountedList *c = ExternList(n); c; c = c->next) {
            if (c != ExternList(n)) s += " ";
            s += static_cast<const _AlphaType *>(c->item)->text;
        }
        return s + "}";
    }
    if (!n->alpha) return "-";
    return std::string("\"") + n->alpha->text + "\"";
}

// Iterative so that deeply nested input prints without deep recursion.
void printTree(const SyntaxNode *root)
{
    std::vector<std::pair<const SyntaxNode *, int>> work;
    if (root) work.push_back({root, 0});
    std::string line;
    while (!work.empty()) {
        auto [n, depth] = work.back();
        work.pop_back();
        line.assign(static_cast<size_t>(depth) * 2, ' ');
        line += KindName(n->kind);
        line += ' ';
        line += alphaText(n);
        line += ' ' + std::to_string(n->start.line) + ':' + std::to_string(n->start.column);
        line += ' ' + std::to_string(n->end.line) + ':' + std::to_string(n->end.column);
        std::printf("%s\n", line.c_str());
        std::vector<const SyntaxNode *> children;
        for (const SyntaxNode *c = n->child; c; c = c->next) children.push_back(c);
        for (auto it = children.rbegin(); it != children.rend(); ++it) work.push_back({*it, depth + 1});
    }
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    setToolIdentity("Corvel", "tarsk1");
    const char *definition = nullptr;
    std::vector<const char *> sources;
    std::vector<const char *> excluded;
    bool quiet = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-d") == 0 && i + 1 < argc) definition = argv[++i];
        else if (std::strcmp(argv[i], "-x") == 0 && i + 1 < argc) excluded.push_back(argv[++i]);
        else if (std::strcmp(argv[i], "-q") == 0) quiet = true;
        else sources.push_back(argv[i]);
    }
    excluded.push_back(nullptr);
    const char *const *excludedDirs = excluded.size() > 1 ? excluded.data() : nullptr;
    if (sources.empty()) {
        std::fprintf(stderr, "usage: treedump [-d definition-file] [-q] [-x directory-prefix]... file...\n");
        return 2;
    }
    ResetAlphaTable();
    InitAcceptTables();
    CountedList *fileList = nullptr;
    for (const char *source : sources) {
        if (definition) {
            uint16_t r = ParseDefinitionFile(definition, &fileList);
            if (r != 0) std::printf("definition result %u\n", static_cast<unsigned>(r));
        }
        SyntaxNode *tree = nullptr;
        uint16_t result = ParseFile(source, false, &tree, &fileList, excludedDirs);
        if (!quiet) printTree(tree);
        std::printf("result %u\n", static_cast<unsigned>(result));
        FreeTree(tree);
    }
    FreeCountedList(fileList);
    FreeAcceptTables();
    return 0;
}
