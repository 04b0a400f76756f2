# Writes the man page of ledrimo-db from its own help texts, so the page lists every verb the tool
# has and says what each verb's --help says:
#   cmake -DTOOL=path/to/ledrimo-db -DVERSION=1.2 -DOUTPUT=ledrimo-db.1 -P manpage.cmake
# The overview (`ledrimo-db --help`) gives the name line, the synopsis and the closing remarks;
# each usage line in it names a verb, whose `ledrimo-db VERB --help` becomes that verb's section.
# Help texts are shown as written (no filling), with the characters troff treats specially escaped.

foreach(var TOOL VERSION OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "manpage.cmake: ${var} is not set")
  endif()
endforeach()

function(run_tool out)
  execute_process(COMMAND ${TOOL} ${ARGN} OUTPUT_VARIABLE text RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "manpage.cmake: `ledrimo-db ${ARGN}` failed (${rc})")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Text for a no-fill block: backslashes and hyphens escaped (so `--format` reads and copies as
# typed), a line starting with a control character defused with \&.
function(troff_escape out text)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "\n([.'])" "\n\\\\&\\1" text "\n${text}")
  string(SUBSTRING "${text}" 1 -1 text)
  string(REGEX REPLACE "\n+$" "" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

run_tool(overview --help)

# "ledrimo-db：summary", then "用法：" with one usage line per verb, then the remarks.
string(FIND "${overview}" "\n" nameEnd)
string(SUBSTRING "${overview}" 0 ${nameEnd} nameLine)
string(REGEX REPLACE "^ledrimo-db(：|:) *" "" summary "${nameLine}")
string(FIND "${overview}" "\n  ledrimo-db " usageStart)
string(FIND "${overview}" "\n\n" usageEnd REVERSE)
if(usageStart LESS 0 OR usageEnd LESS usageStart)
  message(FATAL_ERROR "manpage.cmake: no usage lines in `ledrimo-db --help`")
endif()
math(EXPR usageLength "${usageEnd} - ${usageStart}")
string(SUBSTRING "${overview}" ${usageStart} ${usageLength} usage)
string(REGEX REPLACE "\n  " "\n" usage "${usage}")
string(SUBSTRING "${usage}" 1 -1 usage)
math(EXPR remarksStart "${usageEnd} + 2")
string(SUBSTRING "${overview}" ${remarksStart} -1 remarks)

string(REGEX MATCHALL "\n  ledrimo-db [a-z][a-z0-9-]*" verbLines "${overview}")
set(verbs "")
foreach(line IN LISTS verbLines)
  string(REGEX REPLACE "^\n  ledrimo-db " "" verb "${line}")
  list(APPEND verbs "${verb}")
endforeach()

troff_escape(summary "${summary}")
troff_escape(usage "${usage}")
troff_escape(remarks "${remarks}")
set(page "'\\\" -*- coding: UTF-8 -*-
.\\\" Written at build time from the help texts of ledrimo-db (tools/ledrimo-db/manpage.cmake).
.TH LEDRIMO\\-DB 1 \"\" \"Ledrimo ${VERSION}\" \"Ledrimo\"
.SH 名称
ledrimo\\-db \\- ${summary}
.SH 用法
.nf
${usage}
.fi
.PP
${remarks}
.SH 命令
")
foreach(verb IN LISTS verbs)
  run_tool(help ${verb} --help)
  troff_escape(help "${help}")
  string(APPEND page ".SS ${verb}\n.nf\n${help}\n.fi\n")
endforeach()
string(APPEND page ".SH 数据库文件
程序使用的数据库文件 db 的位置由
.B ledrimo\\-db where
显示。
")

file(WRITE "${OUTPUT}.new" "${page}")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
