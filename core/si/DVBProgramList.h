#pragma once
// The programmes of a multiplex in ascending programme number. The list owns
// them: emptying or destroying it deletes them.
#include <vector>

class CDVBProgram;

class CDVBProgramList
{
public:
    using const_iterator = std::vector<CDVBProgram*>::const_iterator;

    CDVBProgramList() = default;
    virtual ~CDVBProgramList();
    CDVBProgramList(const CDVBProgramList&) = delete;
    CDVBProgramList& operator=(const CDVBProgramList&) = delete;

    CDVBProgram* Find(unsigned short programNumber) const;
    // Inserted before the first programme with a larger number, so the list stays in order.
    void Add(CDVBProgram* program);
    void DeleteAll();
    int GetCount() const { return static_cast<int>(m_programs.size()); }
    const_iterator begin() const { return m_programs.begin(); }
    const_iterator end() const { return m_programs.end(); }

private:
    std::vector<CDVBProgram*> m_programs;
};
