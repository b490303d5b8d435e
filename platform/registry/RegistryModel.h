#pragma once
// The settings store in memory: keys in file order, each with its values in
// stored order; names compare case-insensitively and keep their spelling.
#include <QSet>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

namespace ostan::registry {

bool SameName(QStringView A, QStringView B);

// Path is Ancestor itself or lies below it.
bool IsUnder(const QString& Path, const QString& Ancestor);

inline QString Folded(const QString& S) { return S.toCaseFolded(); }

enum class VType { Dword, String, Raw };

struct RegValue {
    QString Name;
    VType Type = VType::String;
    uint32_t Dword = 0;
    QString Text; // the string; for Raw the data as the file spells it

    bool operator==(const RegValue&) const = default;
};

// A key's values in stored order, found by name in constant time.
struct RegKey {
    explicit RegKey(QString P) : Path(std::move(P)) {}
    RegKey(const RegKey&) = default;
    RegKey(RegKey&&) noexcept = default; // so that a growing store moves its keys
    RegKey& operator=(const RegKey&) = default;
    RegKey& operator=(RegKey&&) noexcept = default;

    QString Path; // full, hive first
    std::vector<RegValue> Values;

    const RegValue* Find(const QString& Name) const
    {
        const auto it = Index.find(Folded(Name));
        return it == Index.end() ? nullptr : &Values[it->second];
    }
    RegValue* Find(const QString& Name) { return const_cast<RegValue*>(std::as_const(*this).Find(Name)); }

    // Adds the value, or replaces the one of that name, which keeps its spelling.
    void Put(RegValue V)
    {
        const auto [at, added] = Index.try_emplace(Folded(V.Name), Values.size());
        if (added) {
            Values.push_back(std::move(V));
        } else {
            V.Name = Values[at->second].Name;
            Values[at->second] = std::move(V);
        }
    }

    bool Erase(const QString& Name)
    {
        const auto it = Index.find(Folded(Name));
        if (it == Index.end())
            return false;
        Values.erase(Values.begin() + it->second);
        Index.clear();
        for (size_t i = 0; i < Values.size(); ++i)
            Index.emplace(Folded(Values[i].Name), i);
        return true;
    }

private:
    std::unordered_map<QString, size_t> Index; // case-folded name -> position
};

// Keys in file order. A key exists when it has a section or lies above one.
// Lookups by path take constant time, so that reading a store stays linear
// in its size.
class Store {
public:
    // Set by whoever publishes this version of the store: equal stamps, equal contents.
    uint64_t Stamp = 0;

    const std::vector<RegKey>& Keys() const { return KeyList; }

    const RegKey* Find(const QString& Path) const
    {
        const auto it = KeyIndex.find(Folded(Path));
        return it == KeyIndex.end() ? nullptr : &KeyList[it->second];
    }
    RegKey* Find(const QString& Path) { return const_cast<RegKey*>(std::as_const(*this).Find(Path)); }

    bool Exists(const QString& Path) const
    {
        return !Path.contains(u'\\') || Prefixes.contains(Folded(Path)); // a hive always exists
    }

    // The path of an existing key or key above one, spelled as the first key
    // below it in file order spells it; nullptr for one that does not exist.
    const QString* SpelledPrefix(const QString& Path) const
    {
        const auto it = Prefixes.find(Folded(Path));
        return it == Prefixes.end() ? nullptr : &it->second;
    }

    // Path as the store spells it, for an existing key. Parts only Extra, a
    // key shown beside the store's, has are spelled as Extra spells them.
    QString Spelled(const QString& Path, const QString& Extra = QString()) const
    {
        QStringList parts = Path.split(u'\\');
        for (qsizetype n = 2; n <= parts.size(); ++n) {
            const QString prefix = parts.first(n).join(u'\\');
            if (const QString* spelled = SpelledPrefix(prefix))
                parts[n - 1] = spelled->section(u'\\', n - 1, n - 1);
            else if (!Extra.isEmpty() && IsUnder(Extra, prefix))
                parts[n - 1] = Extra.section(u'\\', n - 1, n - 1);
        }
        return parts.join(u'\\');
    }

    // Names of the direct subkeys of Path, in file order, each once.
    QStringList ChildNames(const QString& Path) const
    {
        QStringList names;
        QSet<QString> seen;
        for (const auto& key : KeyList) {
            if (key.Path.size() <= Path.size() || !IsUnder(key.Path, Path))
                continue;
            const QString child = key.Path.mid(Path.size() + 1).section(u'\\', 0, 0);
            if (!seen.contains(Folded(child))) {
                seen.insert(Folded(child));
                names << child;
            }
        }
        return names;
    }

    // The section of Path, appended when there is none (the order of a file
    // being read).
    RegKey& Section(const QString& Path)
    {
        const auto [at, added] = KeyIndex.try_emplace(Folded(Path), KeyList.size());
        if (added) {
            KeyList.push_back(RegKey(Path));
            AddPrefixes(Path);
        }
        return KeyList[at->second];
    }

    // Creates the sections of the key and of its missing parents, each right
    // after its parent's subtree so the file reads as a tree. True when
    // anything was created.
    bool Ensure(const QString& Path)
    {
        const QStringList parts = Path.split(u'\\');
        bool created = false;
        for (qsizetype n = 2; n <= parts.size(); ++n) {
            const QString path = parts.first(n).join(u'\\');
            if (Find(path))
                continue;
            const QString parent = parts.first(n - 1).join(u'\\');
            size_t pos = KeyList.size();
            if (Prefixes.contains(Folded(parent)))
                for (size_t i = KeyList.size(); i-- > 0;)
                    if (IsUnder(KeyList[i].Path, parent)) {
                        pos = i + 1;
                        break;
                    }
            KeyList.insert(KeyList.begin() + pos, RegKey(path));
            for (auto& [name, at] : KeyIndex)
                if (at >= pos)
                    ++at;
            KeyIndex.emplace(Folded(path), pos);
            // Every key before it lies outside its parent's subtree or before
            // its siblings, so it comes first below no existing prefix.
            AddPrefixes(path);
            created = true;
        }
        return created;
    }

    RegKey& At(const QString& Path)
    {
        Ensure(Path);
        return *Find(Path);
    }

    // Removes the key and its subkeys; true when there was any.
    bool EraseSubtree(const QString& Path)
    {
        const auto before = KeyList.size();
        std::erase_if(KeyList, [&](const RegKey& K) { return IsUnder(K.Path, Path); });
        if (KeyList.size() == before)
            return false;
        KeyIndex.clear();
        Prefixes.clear();
        for (size_t i = 0; i < KeyList.size(); ++i) {
            KeyIndex.emplace(Folded(KeyList[i].Path), i);
            AddPrefixes(KeyList[i].Path);
        }
        return true;
    }

private:
    // The key's path and those above it, hive included, for the ones not there yet.
    void AddPrefixes(const QString& Path)
    {
        for (qsizetype end = Path.size(); end > 0; end = Path.lastIndexOf(u'\\', end - 1)) {
            const auto [at, added] = Prefixes.try_emplace(Folded(Path.left(end)), Path.left(end));
            if (!added)
                break; // so are all above it
        }
    }

    std::vector<RegKey> KeyList;
    std::unordered_map<QString, size_t> KeyIndex; // case-folded path -> position
    std::unordered_map<QString, QString> Prefixes; // case-folded path of every existing key -> spelling
};

} // namespace ostan::registry
