#include <cstdio>

#include "xml/object/ClsXml.h"

int main() {
    quorvel::ClsXml xml;
    quorvel::XString path, title;
    path.setFromUtf8("examples/data/books.xml");
    if (!xml.LoadXmlFile(path)) return 1;
    quorvel::XString command;
    command.setFromUtf8("/A/book,id,bk102|title|*");
    if (!xml.QuorvelPath(command, title)) return 1;
    std::printf("%s\n", title.getUtf8());
    return 0;
}
