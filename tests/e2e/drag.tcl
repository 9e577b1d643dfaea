# A window of another toolkit (Tk, tkdnd: XDND) whose drag carries the URIs
# of the line written to it last, tab-separated; it reports where it is
# ("up X Y"), the grab, the target's acceptance ("status 1" or "status 0")
# and the drag's end. tkdnd leaves a 10 s wait for XdndFinished armed after
# every drop: fired during a later drag it would end that drag, so each end
# cancels it.
package require tkdnd; fconfigure stdout -buffering line
wm title . "drag source"; wm attributes . -topmost 1; wm geometry . 60x40-0-0
pack [label .s -text drag] -fill both -expand 1; tkdnd::drag_source register .s DND_Files
bind .s <<DragInitCmd>> {after idle {puts grabbed}; list copy DND_Files [split [gets stdin] "\t"]}
bind .s <<DragEndCmd>> {foreach t [after info] {after cancel $t}; puts end}
trace add execution ::tkdnd::xdnd::_HandleXdndStatus leave {apply {{c args} {puts "status [dict get [lindex $c 1] accept]"}}}
tkwait visibility .s; puts "up [expr [winfo rootx .s] + 30] [expr [winfo rooty .s] + 20]"
