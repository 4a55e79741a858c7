# The drawings the scenarios save, each read back with ezdxf by a checker
# against values worked out by hand. One list for both builds: the win64
# build checks what vdhost saved under Wine, the native build what the same
# scripts saved in process (tests/sweep_native), so that the mutation tester
# of the native build counts these checks too.
#
# The includer defines vd_drawing_check(NAME SCENARIO [WIN32_ONLY] CHECKER
# ARGS...) and VD_SCENARIO_DIR (this folder). CHECKER is a Python program
# under this folder, run in the folder of the saved drawings. WIN32_ONLY
# marks a scenario that the native dialog stand-ins do not play as vdhost's
# real dialogs do (what a dialog remembers in hnoteData.ini: the plan view's
# value history, the edit dialog's boxes; the settings dialog's colour and
# arrowhead combos).

# HeightDim: the marks of each scenario (check_heightdims.py names the values).
foreach(name sections two_levels existing directions cancels base_fails settings plan plan_leader)
  set(only)
  if(name MATCHES "^(settings|plan|plan_leader)$")
    set(only WIN32_ONLY)
  endif()
  vd_drawing_check(scenario.heightdim_${name}.drawing heightdim_${name} ${only}
                   check_heightdims.py heightdim_${name} heightdim_${name}.dxf)
endforeach()

# HeightDimUpdate on drawings of heightdim/make_drawings.py; plan-view marks
# with leaders updated twice, each leader rebuilt and tied to its new mark.
vd_drawing_check(heightdim_update_older_drawing heightdim_update_older
                 check_heightdims.py older heightdim_update_older.dxf)
vd_drawing_check(heightdim_update_copied_base_drawing heightdim_update_copied_base
                 check_heightdims.py copied heightdim_update_copied_base.dxf)
vd_drawing_check(heightdim_update_plan_leader_drawing heightdim_update_plan_leader
                 check_heightdims.py leaders heightdim_update_plan_leader.dxf 3 500,1500 3100,-800)

# HeightDimSetBase on set_base.dxf (base 0A1B...0B at 0,0; 0D at 0,1500; 0E
# out of date at 0,500), the new level on late_base.dxf and the rebase on
# unlisted_base.dxf (the same marks and 0F at 0,1000, the base without its
# entry; in late_base.dxf its own mark comes last).
set(VD_HD_B 0A1B2C3D-0000-4000-8000-00000000000B)
set(VD_HD_D 0A1B2C3D-0000-4000-8000-00000000000D)
set(VD_HD_CHECK_keep "0,0=±0.000@-" "0,1500=+1.500@${VD_HD_B}" "0,500=+9.999@${VD_HD_B}")
set(VD_HD_CHECK_level "0,0=+2.000@-" "0,1500=+3.500@${VD_HD_B}" "0,500=+9.999@${VD_HD_B}"
    "0,1000=+3.000@${VD_HD_B}")
set(VD_HD_CHECK_rebase "0,0=±0.000@${VD_HD_D}" "0,1500=+1.500@-" "0,500=+0.500@${VD_HD_D}"
    "0,1000=+1.000@${VD_HD_B}")
# "Existující" on pasted_mark.dxf: the new mark measures from the base of
# the dependant picked after the pasted mark, and the pasted one is as it was.
vd_drawing_check(heightdim_existing_pasted_drawing heightdim_existing_pasted
                 check_heightdims.py values heightdim_existing_pasted.dxf "0,500=+0.500@${VD_HD_B}"
                 "0,1000=+7.000@0A1B2C3D-0000-4000-8000-0000000000A2" "0,1500=+1.500@${VD_HD_B}")
foreach(name keep level rebase)
  vd_drawing_check(heightdim_setbase_${name}_drawing heightdim_setbase_${name}
                   check_heightdims.py values heightdim_setbase_${name}.dxf ${VD_HD_CHECK_${name}})
endforeach()

# The user's own look through HeightDimSetBase twice and HeightDimUpdate,
# from a profile without hnoteData.ini: the drawing after the rebuilds looks
# as the one saved after placing, but for the new values.
vd_drawing_check(heightdim_look_drawing heightdim_look WIN32_ONLY
                 check_heightdims.py look heightdim_look_placed.dxf heightdim_look.dxf
                 "0,0=+1,000/1/1/3.5" "0,1000=+2,000/1/1/3.5" "0,2500=+3,500/1/1/3.5"
                 "3000,500=+0.150/5/0/2.5" "3000,2000=-0.450/5/0/2.5")

# HeightDimEdit on set_base.dxf, with the settings of userdata/heightdim_edit
# (ČSN with a decimal comma, 0,01 steps, no plus sign): the values the marks
# show (and the side of the leg where a scenario mirrors, or not) and the
# LINEs of the drawing (underlines, and no temporary line).
set(VD_HD_EDIT_plain_values "0,0=±0.000@->" "0,1500=+1.500@${VD_HD_B}>" "0,500=+0.500@${VD_HD_B}>")
set(VD_HD_EDIT_plain_lines)
set(VD_HD_EDIT_settings_values "0,0=±0,000@-" "0,1500=1,500@${VD_HD_B}" "0,500=0,500@${VD_HD_B}")
set(VD_HD_EDIT_leader_values "0,0=±0.000@-" "100,3000=+3.000@${VD_HD_B}" "0,500=+9.999@${VD_HD_B}")
set(VD_HD_EDIT_leader_lines "-500,3000:500,3000@100,3000")
set(VD_HD_EDIT_leader_cancel_values "0,0=±0.000@-" "0,1500=+1.500@${VD_HD_B}" "0,500=+9.999@${VD_HD_B}")
set(VD_HD_EDIT_leader_cancel_lines)
set(VD_HD_EDIT_remember_values "0,0=±0,000@-<" "0,1500=1,500@${VD_HD_B}<" "0,500=0,500@${VD_HD_B}<")
set(VD_HD_EDIT_settings_loop_values "0,0=±0.000@-" "0,1500=2,000@${VD_HD_B}" "0,500=+9.999@${VD_HD_B}")
foreach(name plain settings leader leader_cancel remember settings_loop)
  set(only)
  if(name MATCHES "^(remember|settings_loop)$")
    set(only WIN32_ONLY)
  endif()
  vd_drawing_check(heightdim_edit_${name}_drawing heightdim_edit_${name} ${only}
                   check_heightdims.py values heightdim_edit_${name}.dxf ${VD_HD_EDIT_${name}_values})
  if(name MATCHES "^(plain|leader|leader_cancel)$")
    vd_drawing_check(heightdim_edit_${name}_lines heightdim_edit_${name} ${only}
                     check_heightdims.py lines heightdim_edit_${name}.dxf ${VD_HD_EDIT_${name}_lines})
  endif()
endforeach()

# The arc dimensions on the drawing of dimarc/make_drawings.py
# ("TEXT|centre|13|14|10").
set(VD_ARC_45 "5.656854249492381,5.656854249492381")
set(VD_DIMARC_CHECK_dimarc2 "dl.=7.85, R=5.00|0,0|5,0|0,5|4,4")
set(VD_DIMARC_CHECK_dimarc_sources "7.85|0,0|5,0|0,5|4,4" "6.28|20,0|20,4|16,0|15,5" "15.71|50,5|50,0|50,10|57,5")
set(VD_DIMARC_CHECK_dimarc_limits
    "2.62|0,0|4.330127018922194,2.5|2.5,4.330127018922194|${VD_ARC_45}"
    "dl.=7.85, R=5.00|0,0|5,0|0,5|${VD_ARC_45}"
    "5.24|0,0|4.330127018922194,2.5|0,5|${VD_ARC_45}"
    "1.75|0,0|4.92403876506104,0.8682408883346517|4.330127018922194,2.5|7.517540966287267,2.7361611466053497")
foreach(name dimarc2 dimarc_sources dimarc_limits)
  vd_drawing_check(${name}_drawing ${name} dimarc/check_dimensions.py ${name}.dxf ${VD_DIMARC_CHECK_${name}})
endforeach()

# DimAlign and DimUpdateUCS on the drawings of dimalign/make_drawings.py,
# against the source drawing and hand-worked values.
foreach(name dimalign_row dimalign_sample_again dimalign_cancel dimupdateucs_world dimupdateucs_ucs30)
  set(source row.dxf)
  if(name STREQUAL "dimupdateucs_ucs30")
    set(source ucs.dxf)
  endif()
  vd_drawing_check(${name}_drawing ${name}
                   dimalign/check_drawing.py ${name} ${name}.dxf ${VD_SCENARIO_DIR}/dimalign/${source})
endforeach()

# DimConnect and DimDivide on the drawings of dimjoin/make_drawings.py,
# against dimensions worked out by hand ("same": the drawing as loaded).
set(VD_DIMJOIN_CHECK_dimconnect connect)
set(VD_DIMJOIN_CHECK_dimconnect_ezdxf connect)
set(VD_DIMJOIN_CHECK_dimdivide divide)
set(VD_DIMJOIN_CHECK_dimdivide_many many)
set(VD_DIMJOIN_CHECK_dimjoin_unchanged same)
set(VD_DIMJOIN_LOADED_dimjoin_unchanged ${VD_SCENARIO_DIR}/dimjoin/divide.dxf)
foreach(name dimconnect dimconnect_ezdxf dimdivide dimdivide_many dimjoin_unchanged)
  vd_drawing_check(${name}_drawing ${name} dimjoin/check_dimensions.py ${VD_DIMJOIN_CHECK_${name}}
                   ${name}.dxf ${VD_DIMJOIN_LOADED_${name}})
endforeach()
