#include "res/stringtable.h"

#include <unordered_map>

std::string LoadString(int id)
{
    static const std::unordered_map<int, std::string> table = {
        {101, "&About Sonivar..."},
        {32778, "Artist name:"},
        {32779, "Album name:"},
        {32781, "Year:"},
        {32782, "Comment:"},
        {33771, "Add files from folder"},
        {33805, "Add fiiles"},
        {33778, "Artist"},
        {33780, "Name"},
        {33779, "Album"},
        {33781, "Year"},
        {33804, "Genre"},
        {33802, "Upper case first word"},
        {33803, "Make play list"},
    };
    auto it = table.find(id);
    return it == table.end() ? std::string() : it->second;
}
