Pelorin version 1.0.1alpha --- 06/25/05

parsed net pipeline

5 places, 4 transitions

net pipeline
tr produce ready -> made
tr ship made -> ready buffer*2
tr take buffer*2 wait -> used
tr consume used -> wait

T-SEMI-FLOWS GENERATING SET --------------------------------

consistent

produce ship take consume 

TIME

ANALYSIS COMPLETED -----------------------------------------
